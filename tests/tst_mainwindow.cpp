#include "app/actioncombobox.h"
#include "windowfixture.h"

#include <QAction>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyleOptionComboBox>
#include <QTest>
#include <QTimer>

using namespace Tensiova;

namespace {

MonitoringSetup sampleSetup()
{
    MonitoringSetup setup;
    for (int channel = 0; channel < ChannelCount; ++channel) {
        setup.analog[channel] = {QString::number(channel), QStringLiteral("%1.5").arg(channel),
                                 QStringLiteral(" x%1").arg(channel), channel % 4};
        setup.logic[channel] = {QString::number(channel % 3), (channel + 1) % 4};
    }
    setup.logic[5].action = -1;
    return setup;
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        VERIFY_PROCESS_LOCALE();
        Design::prepareApplication();
    }

    void geometry_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("container");
        QTest::addColumn<QRect>("twips");
        QTest::newRow("Frame4") << "Frame4"
                                << "" << QRect(0, 45, 11535, 6795);
        QTest::newRow("Frame2(0)") << "Frame2(0)"
                                   << "Frame4" << QRect(90, 450, 6885, 5295);
        QTest::newRow("Frame2(1)") << "Frame2(1)"
                                   << "Frame4" << QRect(6990, 450, 4395, 5295);
        QTest::newRow("Text1") << "Text1"
                               << "Frame4" << QRect(4230, 6180, 3285, 345);
        QTest::newRow("Command6") << "Command6"
                                  << "Frame4" << QRect(9870, 6090, 1515, 285);
        QTest::newRow("Command5") << "Command5"
                                  << "Frame4" << QRect(9870, 6420, 1515, 285);
        QTest::newRow("min(0)") << "min(0)"
                                << "Frame2(0)" << QRect(1170, 900, 1215, 345);
        QTest::newRow("max(4)") << "max(4)"
                                << "Frame2(0)" << QRect(2580, 2550, 1215, 345);
        QTest::newRow("coeff(7)") << "coeff(7)"
                                  << "Frame2(0)" << QRect(4050, 3810, 885, 345);
        QTest::newRow("Combo2(3)") << "Combo2(3)"
                                   << "Frame2(0)" << QRect(5220, 2160, 1550, 315);
        QTest::newRow("et(0)") << "et(0)"
                               << "Frame2(1)" << QRect(1050, 870, 1215, 345);
        QTest::newRow("et(6)") << "et(6)"
                               << "Frame2(1)" << QRect(1050, 3330, 1215, 345);
        QTest::newRow("Combo1(4)") << "Combo1(4)"
                                   << "Frame2(1)" << QRect(2370, 2580, 1550, 315);
    }

    void geometry()
    {
        QFETCH(QString, name);
        QFETCH(QString, container);
        QFETCH(QRect, twips);
        WindowFixture fixture;
        fixture.open();
        QWidget *widget = fixture.find<QWidget>(name);
        QVERIFY(widget);
        if (!container.isEmpty()) {
            QCOMPARE(widget->parentWidget()->objectName(), container);
        }
        QCOMPARE(widget->geometry(),
                 Design::rect(twips.x(), twips.y(), twips.width(), twips.height()));
    }

    void clientAreaBelowTheMenuBar()
    {
        WindowFixture fixture;
        MainWindow &window = fixture.open();
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(window.centralWidget()->size(), QSize(770, 456));
        // Enlarging moves and scales nothing.
        const QRect before = fixture.find<QWidget>(QStringLiteral("Command6"))->geometry();
        window.resize(window.size() + QSize(200, 150));
        QTest::qWait(20);
        QCOMPARE(fixture.find<QWidget>(QStringLiteral("Command6"))->geometry(), before);
        QCOMPARE(fixture.find<QWidget>(QStringLiteral("Frame4"))->size(), QSize(769, 453));
    }

    // Smaller than the design's window (a small screen), it scrolls: no control is lost.
    void smallWindowScrollsToEveryControl()
    {
        WindowFixture fixture;
        MainWindow &window = fixture.open();
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.resize(400, 300);
        auto *scroller = qobject_cast<QScrollArea *>(window.centralWidget());
        QVERIFY(scroller);
        QTRY_VERIFY(scroller->horizontalScrollBar()->isVisible());
        QVERIFY(scroller->verticalScrollBar()->isVisible());
        auto *send = fixture.find<QWidget>(QStringLiteral("Command6"));
        QVERIFY(send->visibleRegion().isEmpty());
        scroller->ensureWidgetVisible(send);
        QVERIFY(!send->visibleRegion().isEmpty());
        QCOMPARE(window.answers(), QStringLiteral("...."));
        QTest::mouseClick(send, Qt::LeftButton);
        QCOMPARE(window.answers(), QString()); // "Envoi" was pressed
    }

    void texts_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");
        QTest::newRow("Frame4") << "Frame4"
                                << "Programmation des surveillances";
        QTest::newRow("Frame2(0)") << "Frame2(0)"
                                   << "Paramétrage surveillance voies analogiques";
        QTest::newRow("Frame2(1)") << "Frame2(1)"
                                   << "Paramétrage surveillance voies logiques";
        QTest::newRow("Command6") << "Command6"
                                  << "Envoi ";
        QTest::newRow("Command5") << "Command5"
                                  << "Quitter";
        QTest::newRow("Label5") << "Label5"
                                << "...";
        QTest::newRow("Fichier") << "n_fichier"
                                 << "Fichier";
        QTest::newRow("Enregistrer sous") << "n_enregistrer"
                                          << "Enregistrer sous";
        QTest::newRow("Ouvrir") << "n_ouvrir"
                                << "Ouvrir";
        QTest::newRow("Quitter menu") << "n_quit"
                                      << "Quitter";
        QTest::newRow("Paramètrage") << "n_param"
                                     << "Paramètrage";
        QTest::newRow("Port COM") << "n_port"
                                  << "Port COM";
        QTest::newRow("Surveillance") << "n_surv"
                                      << "Surveillance";
        QTest::newRow("à propos de") << "n_a_propos_de"
                                     << "à propos de ...";
    }

    void texts()
    {
        QFETCH(QString, name);
        QFETCH(QString, text);
        WindowFixture fixture;
        MainWindow &window = fixture.open();
        QCOMPARE(window.windowTitle(),
                 QStringLiteral(
                     "Surveillance de tensions analogiques et logiques - BREVANNE  - Tensiova"));
        QObject *object = window.findChild<QObject *>(name);
        QVERIFY(object);
        QString shown;
        if (auto *box = qobject_cast<QGroupBox *>(object)) {
            shown = box->title();
        } else if (auto *button = qobject_cast<QPushButton *>(object)) {
            shown = button->text();
        } else if (auto *label = qobject_cast<QLabel *>(object)) {
            shown = label->text();
        } else if (auto *menu = qobject_cast<QMenu *>(object)) {
            shown = menu->title();
        } else if (auto *action = qobject_cast<QAction *>(object)) {
            shown = action->text();
        }
        QCOMPARE(shown, text);
    }

    void gridCaptions()
    {
        WindowFixture fixture;
        fixture.open();
        QStringList analog;
        QStringList logic;
        for (QLabel *label :
             fixture.find<QWidget>(QStringLiteral("Frame2(0)"))->findChildren<QLabel *>()) {
            analog.append(label->text());
        }
        for (QLabel *label :
             fixture.find<QWidget>(QStringLiteral("Frame2(1)"))->findChildren<QLabel *>()) {
            logic.append(label->text());
        }
        QCOMPARE(analog,
                 (QStringList {"Valeur min", "Valeur max", "Coeff", "Action", "AN0", "AN1", "AN2",
                               "AN3", "AN4", "AN5", "AN6", "AN7"}));
        QCOMPARE(logic,
                 (QStringList {"Etat à surveiller", "Action", "ET1", "ET2", "ET3", "ET4", "ET5",
                               "ET6", "ET7", "ET8"}));
        QCOMPARE(fixture.find<QLabel>(QStringLiteral("Label2(0)"))
                     ->palette()
                     .color(QPalette::WindowText),
                 QColor(0xFF, 0, 0));
        QCOMPARE(fixture.find<QLabel>(QStringLiteral("Label2(4)"))
                     ->palette()
                     .color(QPalette::WindowText),
                 QColor(0, 0, 0xFF));
        QCOMPARE(
            fixture.find<QLineEdit>(QStringLiteral("coeff(2)"))->palette().color(QPalette::Base),
            QColor(0xFF, 0xFF, 0xC0));
    }

    void menuTree()
    {
        WindowFixture fixture;
        MainWindow &window = fixture.open();
        QStringList bar;
        for (QAction *action : window.menuBar()->actions()) {
            bar.append(action->text());
        }
        QCOMPARE(bar, (QStringList {"Fichier", "Paramètrage", "à propos de ..."}));
        QStringList file;
        for (QAction *action : fixture.find<QMenu>(QStringLiteral("n_fichier"))->actions()) {
            file.append(action->text());
            QVERIFY(action->shortcut().isEmpty());
        }
        QCOMPARE(file, (QStringList {"Enregistrer sous", "Ouvrir", "Quitter"}));
    }

    void focusOrder()
    {
        WindowFixture fixture;
        MainWindow &window = fixture.open();
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QStringList expected {"min(5)", "min(4)",   "min(3)", "min(2)", "min(1)",
                              "min(0)", "Command5", "Text1",  "min(6)", "min(7)"};
        for (int channel = 0; channel < ChannelCount; ++channel) {
            expected.append(QStringLiteral("max(%1)").arg(channel));
        }
        for (const QString &array : {QStringLiteral("Combo2"), QStringLiteral("Combo1")}) {
            for (int channel = 0; channel < ChannelCount; ++channel) {
                expected.append(QStringLiteral("%1(%2)").arg(array).arg(channel));
            }
        }
        expected << "et(7)"
                 << "et(6)"
                 << "et(0)"
                 << "et(1)"
                 << "et(2)"
                 << "et(3)"
                 << "et(4)"
                 << "et(5)"
                 << "Command6";
        for (int channel = 0; channel < ChannelCount; ++channel) {
            expected.append(QStringLiteral("coeff(%1)").arg(channel));
        }
        QStringList visited;
        for (int step = 0; step < expected.size(); ++step) {
            QWidget *focused = QApplication::focusWidget();
            QVERIFY(focused);
            // An editable list hands its focus to its text part.
            if (qobject_cast<ActionComboBox *>(focused->parentWidget())) {
                focused = focused->parentWidget();
            }
            visited.append(focused->objectName());
            QTest::keyClick(focused, Qt::Key_Tab);
        }
        QCOMPARE(visited, expected);
    }

    void everyTextFitsItsControl()
    {
        WindowFixture fixture;
        MainWindow &window = fixture.open();
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QStringList clipped;
        for (ActionComboBox *list : window.findChildren<ActionComboBox *>()) {
            QStyleOptionComboBox option;
            option.initFrom(list);
            option.editable = true;
            const QRect field = list->style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                              QStyle::SC_ComboBoxEditField, list);
            for (int i = 0; i < list->count(); ++i) {
                // The text part keeps a margin of a few pixels on each side.
                if (list->fontMetrics().horizontalAdvance(list->itemText(i)) > field.width() - 4) {
                    clipped.append(list->objectName() + QLatin1Char(' ') + list->itemText(i));
                }
            }
            if (field.height() < list->fontMetrics().height()) {
                clipped.append(list->objectName() + QStringLiteral(" height"));
            }
        }
        for (QGroupBox *frame : window.findChildren<QGroupBox *>()) {
            if (frame->fontMetrics().horizontalAdvance(frame->title()) > frame->width() - 16) {
                clipped.append(frame->title());
            }
        }
        for (QPushButton *button : window.findChildren<QPushButton *>()) {
            if (button->fontMetrics().horizontalAdvance(button->text()) > button->width() - 8
                || button->fontMetrics().height() > button->height()) {
                clipped.append(button->text());
            }
        }
        for (QLabel *label : window.findChildren<QLabel *>()) {
            const int needed = label->fontMetrics().horizontalAdvance(label->text());
            const QRect inParent = label->geometry();
            if (needed > label->width() || label->fontMetrics().height() > label->height()
                || !label->parentWidget()->rect().contains(inParent)) {
                clipped.append(label->text());
            }
        }
        for (QLineEdit *box : window.findChildren<QLineEdit *>()) {
            if (box->fontMetrics().height() + 4 > box->height()) {
                clipped.append(box->objectName());
            }
        }
        QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join(QStringLiteral(", "))));
    }

    void setupRoundTripsThroughTheControls()
    {
        WindowFixture fixture;
        MainWindow &window = fixture.open();
        const MonitoringSetup setup = sampleSetup();
        window.setSetup(setup);
        QCOMPARE(window.setup(), setup);
        QCOMPARE(fixture.find<QLineEdit>(QStringLiteral("coeff(3)"))->text(),
                 QStringLiteral(" x3"));
        QCOMPARE(fixture.find<ActionComboBox>(QStringLiteral("Combo1(0)"))->currentText(),
                 QStringLiteral("relais"));
        QCOMPARE(fixture.find<ActionComboBox>(QStringLiteral("Combo1(5)"))->currentText(),
                 QString());
    }

    void typedTextMeansNoAction()
    {
        WindowFixture fixture;
        MainWindow &window = fixture.open();
        auto *list = fixture.find<ActionComboBox>(QStringLiteral("Combo2(3)"));
        list->setAction(2);
        QCOMPARE(window.setup().analog[3].action, 2);
        list->lineEdit()->selectAll();
        QTest::keyClicks(list->lineEdit(), QStringLiteral("abc"));
        QCOMPARE(list->currentText(), QStringLiteral("abc"));
        QCOMPARE(window.setup().analog[3].action, -1);
        QTest::keyClick(list->lineEdit(), Qt::Key_Return);
        QCOMPARE(list->count(), 4);
        QCOMPARE(window.setup().analog[3].action, -1);
        // Choosing an entry again selects it.
        list->setAction(1);
        QCOMPARE(window.setup().analog[3].action, 1);
    }

    // A typed text is no selection even when it spells an entry, on Enter as on leaving the list.
    void typedEntryTextStillMeansNoAction_data()
    {
        QTest::addColumn<int>("selected");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("enter");
        QTest::newRow("buzzer, Enter") << 0 << "buzzer" << true;
        QTest::newRow("relais, focus lost") << 0 << "relais" << false;
        QTest::newRow("its own entry, Enter") << 2 << "buzzer" << true;
    }

    void typedEntryTextStillMeansNoAction()
    {
        QFETCH(int, selected);
        QFETCH(QString, typed);
        QFETCH(bool, enter);
        WindowFixture fixture;
        MainWindow &window = fixture.open();
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        auto *list = fixture.find<ActionComboBox>(QStringLiteral("Combo2(3)"));
        list->setAction(selected);
        list->setFocus();
        QVERIFY(list->lineEdit()->hasFocus());
        list->lineEdit()->selectAll();
        QTest::keyClicks(list->lineEdit(), typed);
        if (enter) {
            QTest::keyClick(list->lineEdit(), Qt::Key_Return);
        } else {
            fixture.find<QLineEdit>(QStringLiteral("min(0)"))->setFocus();
            QVERIFY(!list->lineEdit()->hasFocus());
        }
        QCOMPARE(list->currentText(), typed);
        QCOMPARE(window.setup().analog[3].action, -1);

        // Loading "no selection" clears what was typed.
        window.setSetup(window.setup());
        QCOMPARE(list->currentText(), QString());
        QCOMPARE(list->action(), -1);
    }

    void listsRefuseIndexesOutsideTheirEntries_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("minus two") << -2 << false;
        QTest::newRow("none") << -1 << true;
        QTest::newRow("zero") << 0 << true;
        QTest::newRow("three") << 3 << true;
        QTest::newRow("four") << 4 << false;
        QTest::newRow("huge") << 32767 << false;
    }

    void listsRefuseIndexesOutsideTheirEntries()
    {
        QFETCH(int, index);
        QFETCH(bool, accepted);
        WindowFixture fixture;
        fixture.open();
        auto *list = fixture.find<ActionComboBox>(QStringLiteral("Combo1(2)"));
        list->setAction(2);
        QCOMPARE(list->setAction(index), accepted);
        QCOMPARE(list->action(), accepted ? index : 2);
        if (index == -1) {
            QCOMPARE(list->currentText(), QString());
        }
    }

    void firstStartShowsZerosAndAucune()
    {
        WindowFixture fixture;
        MainWindow &window = fixture.open();
        QCOMPARE(window.setup(), uniformSetup(QStringLiteral("0")));
        for (ActionComboBox *list : window.findChildren<ActionComboBox *>()) {
            QCOMPARE(list->count(), 4);
            QCOMPARE(list->itemText(3), QStringLiteral("relais + buzzer"));
            QCOMPARE(list->currentText(), QStringLiteral("aucune"));
        }
        QVERIFY(!QFile::exists(fixture.paramIni()));
        QCOMPARE(window.serialLink().commPort(), qint16(1));
        QVERIFY(!window.serialLink().portOpen());
    }

    void startUpRestoresParamIni_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("field"); // family name and channel, as in "min(0)"
        QTest::addColumn<QString>("shown");
        QTest::newRow("last envoi")
            << iniBytes({{"min0", "10"}, {"max0", "200"}, {"coeff0", "5"}, {"action20", "1"}})
            << "C"
            << "max(0)"
            << "200";
        QTest::newRow("leading zeros") << iniBytes({{"min0", "007"}}) << "C"
                                       << "min(0)"
                                       << "7";
        QTest::newRow("blanks") << iniBytes({{"min1", "  4 "}}) << "C"
                                << "min(1)"
                                << "4";
        QTest::newRow("word") << iniBytes({{"min2", "abc"}}) << "C"
                              << "min(2)"
                              << "0";
        QTest::newRow("cut at four") << iniBytes({{"coeff2", "12.75"}}) << "C"
                                     << "coeff(2)"
                                     << "12.7";
        QTest::newRow("french separator") << iniBytes({{"coeff2", "12.75"}}) << "fr_FR"
                                          << "coeff(2)"
                                          << "12,7";
        QTest::newRow("state 1.0") << iniBytes({{"ET4", "1.0"}}) << "C"
                                   << "et(4)"
                                   << "1";
        QTest::newRow("action 2") << iniBytes({{"action23", "2"}}) << "C"
                                  << "Combo2(3)"
                                  << "buzzer";
        QTest::newRow("action 1.5") << iniBytes({{"action23", "1.5"}}) << "C"
                                    << "Combo2(3)"
                                    << "buzzer";
        QTest::newRow("action 2.5") << iniBytes({{"action23", "2.5"}}) << "C"
                                    << "Combo2(3)"
                                    << "buzzer";
        QTest::newRow("action 0.4") << iniBytes({{"action23", "0.4"}}) << "C"
                                    << "Combo2(3)"
                                    << "aucune";
        QTest::newRow("action 3") << iniBytes({{"action13", "3"}}) << "C"
                                  << "Combo1(3)"
                                  << "relais + buzzer";
        QTest::newRow("action -1") << iniBytes({{"action23", "-1"}}) << "C"
                                   << "Combo2(3)"
                                   << "";
        QTest::newRow("action 4 keeps aucune") << iniBytes({{"action23", "4"}}) << "C"
                                               << "Combo2(3)"
                                               << "aucune";
        QTest::newRow("action 3.5 keeps aucune") << iniBytes({{"action23", "3.5"}}) << "C"
                                                 << "Combo2(3)"
                                                 << "aucune";
        QTest::newRow("action overflow") << iniBytes({{"action23", "1E9"}}) << "C"
                                         << "Combo2(3)"
                                         << "aucune";
        QTest::newRow("windows file, LF, odd case")
            << QByteArray("; written on Windows\n[MAX7]\nVALEUR = \"9\"\n[Action17]\nvaleur=1\n")
            << "C"
            << "max(7)"
            << "9";
    }

    void startUpRestoresParamIni()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, locale);
        QFETCH(QString, field);
        QFETCH(QString, shown);
        WindowFixture fixture;
        writeBytes(fixture.paramIni(), file);
        fixture.open(QLocale(locale));
        QWidget *control = fixture.find<QWidget>(field);
        QVERIFY(control);
        if (auto *box = qobject_cast<QLineEdit *>(control)) {
            QCOMPARE(box->text(), shown);
        } else {
            QCOMPARE(qobject_cast<ActionComboBox *>(control)->currentText(), shown);
        }
        QCOMPARE(readBytes(fixture.paramIni()), file);
    }

    void startUpPortNumber_data()
    {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<int>("port");
        QTest::newRow("three") << QByteArray("3") << 3;
        QTest::newRow("blanks") << QByteArray("  3  ") << 3;
        QTest::newRow("fraction") << QByteArray("3.4") << 3;
        QTest::newRow("name keeps design port") << QByteArray("COM3") << 1;
        QTest::newRow("zero keeps design port") << QByteArray("0") << 1;
        QTest::newRow("negative keeps design port") << QByteArray("-4") << 1;
        QTest::newRow("overflow keeps design port") << QByteArray("70000") << 1;
    }

    void startUpPortNumber()
    {
        QFETCH(QByteArray, value);
        QFETCH(int, port);
        WindowFixture fixture;
        writeBytes(fixture.paramIni(), "[Port COM]\r\nvaleur=" + value + "\r\n");
        MainWindow &window = fixture.open();
        QCOMPARE(int(window.serialLink().commPort()), port);
        QVERIFY(!window.serialLink().portOpen());
    }

    void saveAsThenOpenRoundTrips_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("reopened");
        QTest::newRow("whole") << "C"
                               << "200"
                               << "200";
        QTest::newRow("leading zero") << "C"
                                      << "05"
                                      << "5";
        QTest::newRow("trailing zero") << "C"
                                       << "1.50"
                                       << "1.5";
        QTest::newRow("cut") << "C"
                             << "12.75"
                             << "12.7";
        QTest::newRow("french cut") << "fr_FR"
                                    << "12.75"
                                    << "12,7";
        QTest::newRow("french comma saved as typed") << "fr_FR"
                                                     << "2,5"
                                                     << "2";
        QTest::newRow("empty") << "C"
                               << ""
                               << "0";
    }

    void saveAsThenOpenRoundTrips()
    {
        QFETCH(QString, locale);
        QFETCH(QString, typed);
        QFETCH(QString, reopened);
        WindowFixture fixture;
        MainWindow &window = fixture.open(QLocale(locale));
        MonitoringSetup setup = sampleSetup();
        setup.analog[4].max = typed;
        window.setSetup(setup);
        const QString file = fixture.folder.filePath(QStringLiteral("reglage"));
        fixture.dialogs.fileChoice = file;
        window.n_enregistrer_Click();
        QVERIFY(QFile::exists(file)); // no extension added
        QVERIFY(!QFile::exists(fixture.paramIni()));
        QVERIFY(readBytes(file).contains("[max4]\r\nvaleur=" + typed.toUtf8() + "\r\n"));
        QVERIFY(readBytes(file).contains("[ET2]\r\nvaleur=2\r\n")); // saved unchanged

        window.setSetup(MonitoringSetup {});
        window.n_ouvrir_Click();
        QCOMPARE(window.setup().analog[4].max, reopened);
        QCOMPARE(window.setup().logic[5].action, -1);
        QCOMPARE(window.setup().analog[3].action, 3);
        QCOMPARE(fixture.dialogs.fileModesAsked,
                 (QList<UserDialogs::FileMode> {UserDialogs::FileMode::Save,
                                                UserDialogs::FileMode::Open}));
    }

    void openOfAFileWithoutSettingsClearsEverything()
    {
        WindowFixture fixture;
        MainWindow &window = fixture.open();
        window.setSetup(sampleSetup());
        writeBytes(fixture.folder.filePath(QStringLiteral("notes.txt")),
                   "bonjour\r\n[autre]\r\nx=1\r\n");
        fixture.dialogs.fileChoice = fixture.folder.filePath(QStringLiteral("notes.txt"));
        window.n_ouvrir_Click();
        QCOMPARE(window.setup(), uniformSetup(QStringLiteral("0")));
    }

    void openLeavesRefusedListsAsTheyWere()
    {
        WindowFixture fixture;
        MainWindow &window = fixture.open();
        window.setSetup(sampleSetup());
        writeBytes(
            fixture.folder.filePath(QStringLiteral("a.txt")),
            iniBytes({{"action21", "7"}, {"action22", "2.5"}, {"action10", "-1"}, {"ET1", "oui"}}));
        fixture.dialogs.fileChoice = fixture.folder.filePath(QStringLiteral("a.txt"));
        window.n_ouvrir_Click();
        QCOMPARE(window.setup().analog[1].action, 1);
        QCOMPARE(window.setup().analog[2].action, 2);
        QCOMPARE(window.setup().logic[0].action, -1);
        QCOMPARE(window.setup().logic[1].et, QStringLiteral("0"));
    }

    // Save As that cannot write says so, naming the file; the file stays as it was.
    void saveAsThatCannotWriteSaysSo_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("reason");
        QTest::newRow("read-only file") << "read-only"
                                        << "lecture seule";
        QTest::newRow("no such folder") << "missing folder"
                                        << "";
        QTest::newRow("a folder") << "folder"
                                  << "dossier";
    }

    void saveAsThatCannotWriteSaysSo()
    {
        QFETCH(QString, kind);
        QFETCH(QString, reason);
        WindowFixture fixture;
        MainWindow &window = fixture.open();
        window.setSetup(sampleSetup());
        QString file = fixture.folder.filePath(QStringLiteral("verrou.txt"));
        const QByteArray before("[min0]\r\nvaleur=3\r\n");
        if (kind == QLatin1String("read-only")) {
            writeBytes(file, before);
            QVERIFY(QFile::setPermissions(file, QFileDevice::ReadOwner));
        } else if (kind == QLatin1String("folder")) {
            QVERIFY(QDir().mkdir(file));
        } else {
            file = fixture.folder.filePath(QStringLiteral("absent/verrou.txt"));
        }
        fixture.dialogs.fileChoice = file;
        window.n_enregistrer_Click();
        QCOMPARE(fixture.dialogs.warnings.size(), 1);
        const QString warning = fixture.dialogs.warnings.first();
        QVERIFY2(warning.startsWith(QStringLiteral("Enregistrer sous|")) && warning.contains(file)
                     && warning.contains(reason),
                 qPrintable(warning));
        if (kind == QLatin1String("read-only")) {
            QCOMPARE(readBytes(file), before);
        }
    }

    // Open of a file that exists but cannot be read says so and changes no control.
    void openOfAnUnreadableFileChangesNothing()
    {
        WindowFixture fixture;
        MainWindow &window = fixture.open();
        window.setSetup(sampleSetup());
        const QString folder = fixture.folder.filePath(QStringLiteral("dossier.txt"));
        QVERIFY(QDir().mkdir(folder));
        fixture.dialogs.fileChoice = folder;
        window.n_ouvrir_Click();
        QCOMPARE(window.setup(), sampleSetup());
        QCOMPARE(fixture.dialogs.warnings.size(), 1);
        QVERIFY(fixture.dialogs.warnings.first().startsWith(QStringLiteral("Ouvrir|")));

        // A confirmed new file is no failure: it opens as all zeros, without a word.
        fixture.dialogs.fileChoice = fixture.folder.filePath(QStringLiteral("nouveau.txt"));
        window.n_ouvrir_Click();
        QCOMPARE(window.setup(), uniformSetup(QStringLiteral("0")));
        QCOMPARE(fixture.dialogs.warnings.size(), 1);
    }

    void cancelledDialogsChangeNothing()
    {
        WindowFixture fixture;
        MainWindow &window = fixture.open();
        const QString earlier = fixture.folder.filePath(QStringLiteral("earlier.txt"));
        writeBytes(earlier, "[min0]\r\nvaleur=3\r\n");
        window.setSetup(sampleSetup());
        fixture.dialogs.fileChoice.reset();
        window.n_enregistrer_Click();
        window.n_ouvrir_Click();
        QCOMPARE(window.setup(), sampleSetup());
        QCOMPARE(readBytes(earlier), QByteArray("[min0]\r\nvaleur=3\r\n"));
    }

    void aboutBox()
    {
        WindowFixture fixture;
        MainWindow &window = fixture.open();
        window.n_a_propos_de_Click();
        QCOMPARE(fixture.dialogs.informations.size(), 1);
        const QString about = fixture.dialogs.informations.first();
        QVERIFY(about.startsWith(
            QStringLiteral("à propos de ...|Surveillance de tensions analogiques et logiques")));
        QVERIFY(about.contains(QStringLiteral("Tensiova")));
        QVERIFY(about.contains(QString::fromLatin1(qVersion())));
    }

    void accessibleNames()
    {
        WindowFixture fixture;
        fixture.open();
        QCOMPARE(fixture.find<QWidget>(QStringLiteral("max(3)"))->accessibleName(),
                 QStringLiteral("AN3 Valeur max"));
        QCOMPARE(fixture.find<QWidget>(QStringLiteral("Combo1(0)"))->accessibleName(),
                 QStringLiteral("ET1 Action"));
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
