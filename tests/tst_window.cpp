// The windows as a user sees them: the splash, the design's main window, its lists, Save As and
// Open, and bad input wherever a user or a file can put it.

#include "app/dialogs/journalwindow.h"
#include "app/dialogs/portdialog.h"
#include "app/dialogs/qtuserdialogs.h"
#include "app/dialogs/setupfiledialog.h"
#include "app/dialogs/splashwindow.h"
#include "app/programstart.h"
#include "app/sentences/linkmessages.h"
#include "app/widgets/actioncombobox.h"
#include "app/widgets/answerbox.h"
#include "app/widgets/picturebox.h"
#include "app/widgets/picturebutton.h"
#include "app/widgets/pictures.h"
#include "conversions/numberconversion.h"
#include "settings/setupstore.h"
#include "windowfixture.h"

#include <QAbstractItemModelTester>
#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QProxyStyle>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyleFactory>
#include <QStyleOptionComboBox>
#include <QTest>
#include <QTreeView>

#include <map>

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

QString shownText(QObject *object)
{
    if (auto *box = qobject_cast<QGroupBox *>(object)) {
        return box->title();
    }
    if (auto *button = qobject_cast<QAbstractButton *>(object)) {
        return button->text();
    }
    if (auto *label = qobject_cast<QLabel *>(object)) {
        return label->text();
    }
    if (auto *box = qobject_cast<QLineEdit *>(object)) {
        return box->text();
    }
    if (auto *list = qobject_cast<QComboBox *>(object)) {
        return list->currentText();
    }
    // A menu's Alt letter is marked, not shown.
    const auto withoutMnemonic = [](QString text) {
        return text.remove(QRegularExpression(QStringLiteral("&(?!&)")));
    };
    if (auto *menu = qobject_cast<QMenu *>(object)) {
        return withoutMnemonic(menu->title());
    }
    auto *action = qobject_cast<QAction *>(object);
    return action ? withoutMnemonic(action->text()) : QString();
}

} // namespace

class TestWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        VERIFY_PROCESS_LOCALE();
        QApplication::setStyle(
            QStringLiteral("Windows")); // a desktop's own style, which we replace
        Design::prepareApplication();
    }

    void splashOpensTheMainWindowOnAClickOutsideItsLabel()
    {
        QTemporaryDir folder;
        writeBytes(folder.filePath(QStringLiteral("param.ini")), iniBytes({{"min3", "42"}}));
        for (const QString &target :
             {QStringLiteral("Label1"), QStringLiteral("Picture3"), QStringLiteral("Picture1"),
              QString(), QStringLiteral("Return")}) {
            ProgramStart start(std::make_unique<ScriptedUserDialogs>(), QLocale::c());
            start.setSettingsLocation(SettingsLocation(folder.path(), folder.path()));
            start.showSplash();
            SplashWindow *splash = start.splash();
            QVERIFY(QTest::qWaitForWindowExposed(splash));
            QCOMPARE(splash->windowTitle(),
                     QStringLiteral("Surveillance de tensions - BREVANNE  - Tensiova"));
            QCOMPARE(splash->size(), QSize(585, 506));
            const QPoint off =
                splash->screen()->availableGeometry().center() - splash->frameGeometry().center();
            QVERIFY(off.manhattanLength() <= 1);
            QCOMPARE(splash->findChild<QWidget *>(QStringLiteral("Picture1"))->geometry(),
                     Design::rect(1140, 2460, 6855, 4305));
            QCOMPARE(splash->findChild<QLabel *>(QStringLiteral("Label1"))->text(),
                     QStringLiteral("Brevanne"));
            // The keyboard opens the main window as a click does.
            if (target == QLatin1String("Return")) {
                QTest::keyClick(splash, Qt::Key_Return);
            } else {
                QWidget *clicked = target.isEmpty() ? splash : splash->findChild<QWidget *>(target);
                QTest::mouseClick(clicked, Qt::LeftButton, {}, QPoint(5, 5));
            }
            if (target == QLatin1String("Label1")) {
                QTest::qWait(50);
                QVERIFY(!start.mainWindow());
                continue;
            }
            QVERIFY(start.mainWindow() && start.mainWindow()->isVisible());
            QCOMPARE(start.mainWindow()->setup().analog[3].min, QStringLiteral("42"));
            QTRY_VERIFY_WITH_TIMEOUT(!start.splash(), LongWaitMs);
        }
        QCOMPARE(QPixmap(QStringLiteral(":/pictures/splash.ppm")).size(), QSize(704, 338));
        QCOMPARE(QPixmap(QStringLiteral(":/pictures/splash@2x.ppm")).size(), QSize(1408, 676));
        QCOMPARE(QPixmap(QStringLiteral(":/pictures/button.png")).size(), QSize(107, 27));
    }

    // A PPM read as it lies: its pixels exactly, and nothing past the file's end.
    void rawPictures_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<bool>("read");
        QTest::newRow("two pixels") << QByteArray("P6\n2 1\n255\n\x10\x20\x30\xF0\xE0\xD0") << true;
        QTest::newRow("blanks of all kinds")
            << QByteArray("P6 2\t1\r\n255\n\x10\x20\x30\xF0\xE0\xD0") << true;
        QTest::newRow("one pixel short") << QByteArray("P6\n2 1\n255\n\x10\x20\x30") << false;
        QTest::newRow("one byte short")
            << QByteArray("P6\n2 1\n255\n\x10\x20\x30\xF0\xE0") << false;
        QTest::newRow("16-bit samples")
            << QByteArray("P6\n1 1\n65535\n\x10\x20\x30\x40\x50\x60") << false;
        QTest::newRow("text samples") << QByteArray("P3\n1 1\n255\n16 32 48\n") << false;
        QTest::newRow("no width") << QByteArray("P6\n0 1\n255\n") << false;
        QTest::newRow("header cut") << QByteArray("P6\n2") << false;
    }

    void rawPictures()
    {
        QFETCH(QByteArray, file);
        QFETCH(bool, read);
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("photo.ppm"));
        writeBytes(path, file);
        const QImage picture = Design::builtInPicture(path).toImage();
        QCOMPARE(!picture.isNull(), read);
        if (read) {
            QCOMPARE(picture.size(), QSize(2, 1));
            QCOMPARE(picture.pixelColor(0, 0), QColor(0x10, 0x20, 0x30));
            QCOMPARE(picture.pixelColor(1, 0), QColor(0xF0, 0xE0, 0xD0));
        }
    }

    // The frames and the menu bar's arrow, drawn without Fusion's picture reading, look as Fusion
    // draws them.
    void styleDrawsAsFusion()
    {
        std::unique_ptr<QStyle> fusion(QStyleFactory::create(QStringLiteral("Fusion")));
        const auto drawn = [](QStyle *style) {
            QGroupBox box(QStringLiteral("Programmation des surveillances"));
            box.setStyle(style);
            box.resize(301, 203);
            return box.grab().toImage();
        };
        // Filled, not stretched: a blend may round one step apart.
        const QImage ours = drawn(QApplication::style()), theirs = drawn(fusion.get());
        QCOMPARE(ours.size(), theirs.size());
        int largest = 0;
        for (int y = 0; y < ours.height(); ++y) {
            for (int x = 0; x < ours.width(); ++x) {
                const QColor a = ours.pixelColor(x, y), b = theirs.pixelColor(x, y);
                largest =
                    std::max({largest, std::abs(a.red() - b.red()), std::abs(a.green() - b.green()),
                              std::abs(a.blue() - b.blue())});
            }
        }
        QVERIFY2(largest <= 1, qPrintable(QString::number(largest)));
        const QSize size(16, 16);
        QCOMPARE(QApplication::style()
                     ->standardIcon(QStyle::SP_ToolBarHorizontalExtensionButton)
                     .pixmap(size)
                     .toImage(),
                 fusion->standardIcon(QStyle::SP_ToolBarHorizontalExtensionButton)
                     .pixmap(size)
                     .toImage());
    }

    // The splash draws its photo from its corner, clipped to its box, and its banner.
    void splashDrawsItsPictures()
    {
        SplashWindow splash;
        const QImage photo = splash.findChild<QWidget *>("Picture1")->grab().toImage();
        QCOMPARE(photo.convertToFormat(QImage::Format_RGB32),
                 QImage(":/pictures/splash.ppm")
                     .convertToFormat(QImage::Format_RGB32)
                     .copy(photo.rect()));
        const QImage banner = splash.findChild<QWidget *>("Picture3")->grab().toImage();
        QSet<QRgb> colours;
        for (int x = 0; x < banner.width(); x += 4) {
            colours.insert(banner.pixel(x, x * banner.height() / banner.width()));
        }
        QVERIFY(colours.size() > 5);
        // Shown, a box draws a new picture at once.
        struct PaintCount : QObject
        {
            int paints = 0;
            bool eventFilter(QObject *, QEvent *event) override
            {
                paints += event->type() == QEvent::Paint ? 1 : 0;
                return false;
            }
        } count;
        splash.show();
        QVERIFY(QTest::qWaitForWindowExposed(&splash));
        auto *box = splash.findChild<PictureBox *>("Picture1");
        box->installEventFilter(&count);
        box->setPixmap(QPixmap(QStringLiteral(":/pictures/button.png")));
        QTRY_VERIFY_WITH_TIMEOUT(count.paints > 0, LongWaitMs);
    }

    void closingTheSplashNeverLoadsTheMainWindow()
    {
        QTemporaryDir folder;
        ProgramStart start(std::make_unique<ScriptedUserDialogs>(), QLocale::c());
        start.setSettingsLocation(SettingsLocation(folder.path(), folder.path()));
        start.showSplash();
        QVERIFY(QTest::qWaitForWindowExposed(start.splash()));
        start.splash()->close();
        QTRY_VERIFY_WITH_TIMEOUT(!start.splash(), LongWaitMs);
        QVERIFY(!start.mainWindow());
        QVERIFY(QDir(folder.path()).isEmpty());
    }

    // Every control of the design as it stands before the start-up fills it: its name, its
    // container, its place in twips and its text.
    void designControls_data() { addDataRows(QStringLiteral("design.tsv")); }
    void designControls()
    {
        QFETCH(QString, container);
        QFETCH(QString, left);
        QFETCH(QString, top);
        QFETCH(QString, width);
        QFETCH(QString, height);
        QFETCH(QString, text);
        WindowFixture fixture;
        MainWindow window(SettingsLocation(fixture.folder.path(), fixture.folder.path()),
                          fixture.dialogs);
        QCOMPARE(window.windowTitle(),
                 QStringLiteral(
                     "Surveillance de tensions analogiques et logiques - BREVANNE  - Tensiova"));
        QObject *object = window.findChild<QObject *>(QString::fromUtf8(QTest::currentDataTag()));
        QVERIFY(object);
        if (!container.isEmpty()) {
            QCOMPARE(object->parent()->objectName(), container);
        }
        if (auto *widget = qobject_cast<QWidget *>(object); widget && !left.isEmpty()) {
            QCOMPARE(widget->pos(), Design::rect(left.toInt(), top.toInt(), 0, 0).topLeft());
            if (!width.isEmpty()) {
                QCOMPARE(widget->size(), Design::rect(0, 0, width.toInt(), height.toInt()).size());
            }
        }
        if (!text.isEmpty()) {
            QCOMPARE(shownText(object), text);
        }
    }

    void coloursMenusAndAccessibleNames()
    {
        WindowFixture fixture;
        MainWindow &window = fixture.open();
        const auto colour = [&](const char *name, QPalette::ColorRole role) {
            return fixture.find<QWidget>(QLatin1String(name))->palette().color(role);
        };
        QCOMPARE(colour("Label2(0)", QPalette::WindowText), QColor(0xFF, 0, 0));
        QCOMPARE(colour("Label2(4)", QPalette::WindowText), QColor(0, 0, 0xFF));
        QCOMPARE(colour("coeff(2)", QPalette::Base), QColor(0xFF, 0xFF, 0xC0));
        QCOMPARE(colour("min(2)", QPalette::Base), QColor(0xFF, 0xFF, 0xFF));
        // The frames' captions are drawn in blue.
        const QImage caption =
            fixture.find<QWidget>("Frame2(1)")->grab(QRect(0, 0, 200, 12)).toImage();
        int blue = 0;
        for (int i = 0; i < caption.width() * caption.height(); ++i) {
            const QColor pixel = caption.pixelColor(i % caption.width(), i / caption.width());
            blue += pixel.blue() > 150 && pixel.red() < 100 && pixel.green() < 100 ? 1 : 0;
        }
        QVERIFY(blue > 10);
        // A picture button keeps a button's edge around its picture.
        auto *send = fixture.find<QWidget>(QStringLiteral("Command6"));
        const QImage button = send->grab().toImage();
        QVERIFY(button.pixelColor(0, button.height() / 2)
                != send->palette().color(QPalette::Window));
        // ... and its picture in the middle, whatever the button's size.
        QPixmap square(10, 10);
        square.fill(Qt::magenta);
        PictureButton centred(QString(), square);
        centred.resize(60, 30);
        const QImage drawn = centred.grab().toImage();
        QRect picture;
        for (int y = 0; y < drawn.height(); ++y) {
            for (int x = 0; x < drawn.width(); ++x) {
                picture |=
                    drawn.pixelColor(x, y) == QColor(Qt::magenta) ? QRect(x, y, 1, 1) : QRect();
            }
        }
        QCOMPARE(picture.size(), QSize(10, 10));
        QCOMPARE(picture.center(), centred.rect().center());
        auto *style = qobject_cast<QProxyStyle *>(QApplication::style());
        QVERIFY(style);
        QCOMPARE(style->baseStyle()->name(), QStringLiteral("fusion"));
        QCOMPARE(QApplication::font().pixelSize(), 11);
        // Qt's own words in French, wherever Qt's translations are (the Windows package has them).
        if (QFile::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) + "/qtbase_fr.qm")) {
            QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), "Annuler");
        }
        QCOMPARE(fixture.find<QWidget>(QStringLiteral("max(3)"))->accessibleName(),
                 QStringLiteral("Voie analogique AN3, seuil haut"));
        QCOMPARE(fixture.find<QWidget>(QStringLiteral("Combo1(0)"))->accessibleName(),
                 QStringLiteral("Voie logique ET1, action"));
        // A screen reader reaches an action list's drop-down and the field it types in.
        auto *list = fixture.find<ActionComboBox>(QStringLiteral("Combo1(0)"));
        QAccessibleInterface *heard = QAccessible::queryAccessibleInterface(list);
        QCOMPARE(heard->childCount(), 2);
        QCOMPARE(heard->child(0)->object(), static_cast<QObject *>(list->view()));
        QCOMPARE(heard->child(1)->object(), static_cast<QObject *>(list->lineEdit()));
        QCOMPARE(heard->indexOfChild(heard->child(0)), 0);
        QCOMPARE(heard->indexOfChild(heard->child(1)), 1);
        QVERIFY(!heard->child(2));
        // ... and opens and closes its list by the actions it announces.
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QAccessibleActionInterface *actions = heard->actionInterface();
        actions->doAction(QAccessibleActionInterface::pressAction());
        QTRY_VERIFY_WITH_TIMEOUT(list->view()->isVisible(), LongWaitMs);
        actions->doAction(QAccessibleActionInterface::showMenuAction());
        QTRY_VERIFY_WITH_TIMEOUT(!list->view()->isVisible(), LongWaitMs);
        window.n_a_propos_de_Click();
        const QString about = fixture.dialogs.informations.value(0);
        QVERIFY(about.startsWith(
            QStringLiteral("à propos de ...|Surveillance de tensions analogiques et logiques")));
        QVERIFY(about.contains(QString::fromLatin1(qVersion())));
    }

    // Fichier ▸ Quitter ends the program when nothing waits to be sent.
    void quitEndsTheProgram()
    {
        WindowFixture fixture;
        MainWindow &window = fixture.open();
        window.show();
        QTimer notQuit; // ends the loop with a failure instead of hanging
        notQuit.setSingleShot(true);
        connect(&notQuit, &QTimer::timeout, [] { QCoreApplication::exit(1); });
        notQuit.start(LongWaitMs);
        QTimer::singleShot(0, &window, &MainWindow::n_quit_Click);
        QCOMPARE(QCoreApplication::exec(), 0);
    }

    void focusFollowsTheDesignOrder()
    {
        WindowFixture fixture;
        MainWindow &window = fixture.open();
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        const QStringList expected =
            QString::fromUtf8(readBytes(testDataPath(QStringLiteral("focus-order.txt"))))
                .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
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
        }
        for (QGroupBox *frame : window.findChildren<QGroupBox *>()) {
            if (frame->fontMetrics().horizontalAdvance(frame->title()) > frame->width() - 16) {
                clipped.append(frame->title());
            }
        }
        for (QPushButton *button : window.findChildren<QPushButton *>()) {
            if (button->fontMetrics().horizontalAdvance(button->text()) > button->width() - 8) {
                clipped.append(button->text());
            }
        }
        for (QLabel *label : window.findChildren<QLabel *>()) {
            // A mnemonic's "&" is not drawn.
            const QString shown = QString(label->text()).remove(QLatin1Char('&'));
            if (label->fontMetrics().horizontalAdvance(shown) > label->width()
                || !label->parentWidget()->rect().contains(label->geometry())) {
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

    // Enlarged, nothing moves; smaller than the design (a small screen), it scrolls.
    void sizeOfTheWindow()
    {
        WindowFixture fixture;
        // A port that names nothing here: "Envoi" must not wait on a real one (Windows' COM1).
        writeBytes(fixture.paramIni(), iniBytes({{"Port COM", "250"}}));
        MainWindow &window = fixture.open();
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(window.centralWidget()->size(), QSize(770, 456));
        auto *send = fixture.find<QWidget>(QStringLiteral("Command6"));
        const QRect before = send->geometry();
        window.resize(window.size() + QSize(200, 150));
        QTest::qWait(20);
        QCOMPARE(send->geometry(), before);

        window.resize(400, 300);
        auto *scroller = qobject_cast<QScrollArea *>(window.centralWidget());
        QTRY_VERIFY_WITH_TIMEOUT(scroller->horizontalScrollBar()->isVisible(), LongWaitMs);
        QVERIFY(scroller->verticalScrollBar()->isVisible());
        QVERIFY(send->visibleRegion().isEmpty());
        scroller->ensureWidgetVisible(send);
        QVERIFY(!send->visibleRegion().isEmpty());
        QTest::mouseClick(send, Qt::LeftButton);
        QCOMPARE(window.answers(), QString()); // "Envoi" was pressed: "...." is gone
        // Shown on a screen smaller than itself, a window is made to fit.
        QWidget large;
        large.resize(5000, 5000);
        Design::fitOnScreen(&large);
        QCOMPARE(large.size().boundedTo(large.screen()->availableGeometry().size()), large.size());
    }

    void listsHoldTheirEntriesAndRefuseOthers()
    {
        WindowFixture fixture;
        MainWindow &window = fixture.open();
        QCOMPARE(window.setup(), uniformSetup(QStringLiteral("0")));
        QVERIFY(!QFile::exists(fixture.paramIni()));
        for (ActionComboBox *list : window.findChildren<ActionComboBox *>()) {
            QCOMPARE(list->count(), 4);
            QCOMPARE(list->itemText(3), QStringLiteral("relais + buzzer"));
        }
        auto *list = fixture.find<ActionComboBox>(QStringLiteral("Combo1(2)"));
        for (const int refused : {-2, 4, 32767}) {
            QVERIFY(list->setAction(2));
            QVERIFY(!list->setAction(refused));
            QCOMPARE(list->action(), 2);
        }
        QVERIFY(list->setAction(-1));
        QCOMPARE(list->currentText(), QString());
        window.setSetup(sampleSetup());
        QCOMPARE(window.setup(), sampleSetup());
    }

    // A typed text is no selection even when it spells an entry, on Enter as on leaving the list.
    void typedTextMeansNoAction_data() { addDataRows(QStringLiteral("typedtext.tsv")); }
    void typedTextMeansNoAction()
    {
        QFETCH(QString, selected);
        QFETCH(QString, typed);
        QFETCH(QString, enter);
        WindowFixture fixture;
        MainWindow &window = fixture.open();
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        auto *list = fixture.find<ActionComboBox>(QStringLiteral("Combo2(3)"));
        list->setAction(selected.toInt());
        list->setFocus();
        QVERIFY(list->lineEdit()->hasFocus());
        list->lineEdit()->selectAll();
        QTest::keyClicks(list->lineEdit(), typed);
        if (enter == QLatin1String("yes")) {
            QTest::keyClick(list->lineEdit(), Qt::Key_Return);
        } else {
            fixture.find<QLineEdit>(QStringLiteral("min(0)"))->setFocus();
            QVERIFY(!list->lineEdit()->hasFocus());
        }
        QCOMPARE(list->currentText(), typed);
        QCOMPARE(list->count(), 4);
        QCOMPARE(window.setup().analog[3].action, -1);

        // Loading "no selection" clears what was typed; choosing an entry selects it again.
        window.setSetup(window.setup());
        QCOMPARE(list->currentText(), QString());
        QVERIFY(list->setAction(1));
        QCOMPARE(window.setup().analog[3].action, 1);
    }

    // A line of the port box: the COM number, the device when it is not the port's own name, what
    // the system knows of it, and why it may not serve.
    void portBoxLine_data() { addDataRows(QStringLiteral("portline.tsv")); }
    void portBoxLine()
    {
        QFETCH(QString, number);
        QFETCH(QString, device);
        QFETCH(QString, description);
        QFETCH(QString, flags);
        PortListing port {
            number.toInt(), device, {description, {}, {}}, flags == "viaLink", flags != "locked"};
        QTEST(PortDialog::lineText(port, flags == "inUse"), "line");
    }

    // Why a port did not open, what to do about it, and the ports there are, as far as known.
    void openFailureIsExplained()
    {
        PortOpenFailure failure {3,   "/dev/ttyUSB0", QSerialPort::PermissionError, "refusé", {},
                                 true};
        QString text = LinkMessages::openFailure(failure);
        QVERIFY(text.startsWith("Impossible d'ouvrir le port COM3") && text.contains("refusé.\n"));
        QVERIFY(text.contains("dialout")
                && text.endsWith("Aucun port série n'est présent sur ce système."));
        failure.error = QSerialPort::DeviceNotFoundError;
        failure.present = {{1, "COM1"}, {7, "/dev/pts/3"}};
        text = LinkMessages::openFailure(failure);
        QVERIFY(!text.contains("dialout") && text.contains("Ports présents : COM1, COM7 ("));
        failure.presentKnown = false;
        QVERIFY(LinkMessages::openFailure(failure).endsWith("Rien n'a été envoyé à l'appareil."));
    }

    // The answers box draws every line the device sent, CR LF split across arrivals or not, and
    // a long text without line ends broken but whole.
    void answerBoxDrawsEveryLine()
    {
        AnswerBox box;
        box.resize(200, 100);
        box.show();
        QString expected;
        for (int line = 0; line < 100; ++line) {
            box.appendAnswer(QStringLiteral("ligne %1\r").arg(line));
            box.appendAnswer(QStringLiteral("\n"));
            expected += QStringLiteral("ligne %1\n").arg(line);
        }
        box.appendAnswer(QString(5000, QLatin1Char('x')) + QChar(7));
        QVERIFY(box.toPlainText().startsWith(expected));
        const QStringList drawn = box.toPlainText().mid(expected.size()).split(QLatin1Char('\n'));
        QCOMPARE(drawn.join(QString()), QString(5000, QLatin1Char('x')) + QChar(0x2407));
        QVERIFY(drawn.size() > 1 && drawn.first().size() <= 2000);
        QCOMPARE(box.verticalScrollBar()->value(), 0); // the view stays at the first answer
        QTest::keyClicks(&box, QStringLiteral("zz")); // what the device said, no one else
        QVERIFY(!box.toPlainText().contains(QStringLiteral("zz")));
        // What is drawn is trimmed as the kept answers are, a few kilobytes at a time.
        box.appendAnswer(QString(AnswerText::DefaultCapacity, QLatin1Char('y')));
        QVERIFY(box.document()->characterCount() <= AnswerText::DefaultCapacity + 4096);
        QVERIFY(box.toPlainText().endsWith(QStringLiteral("yy")));
    }

    // The journal's window follows a full journal: the oldest entry goes as the newest comes, which
    // is scrolled into view; a long answer says which part it shows; a failed save says so.
    void journalWindowFollowsAFullJournal()
    {
        ExchangeJournal journal(50);
        ScriptedUserDialogs dialogs;
        JournalWindow window(journal, dialogs);
        JournalModel &model = window.model();
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        window.show();
        const auto record = [&journal](const QByteArray &bytes) {
            journal.record(ExchangeJournal::Kind::Received, 1, QStringLiteral("/dev/x"), bytes);
        };
        for (int i = 0; i < 52; ++i) {
            record(QByteArray::number(i));
        }
        QCOMPARE(model.rowCount(), 0); // the views hear of it a little later, in one piece
        QTRY_COMPARE_WITH_TIMEOUT(model.rowCount(), 50, LongWaitMs);
        const auto text = [&model](int row, int role = Qt::DisplayRole) {
            return model.data(model.index(row), role).toString();
        };
        QVERIFY(text(0).endsWith(QStringLiteral("« 2 »")) && text(49).endsWith("« 51 »"));
        QCOMPARE(text(49, Qt::AccessibleTextRole), text(49));
        const QScrollBar *bar = window.findChild<QTreeView *>("JournalList")->verticalScrollBar();
        QTRY_VERIFY_WITH_TIMEOUT(bar->maximum() > 0 && bar->value() == bar->maximum(), LongWaitMs);
        record(QByteArray(5000, 'b'));
        QTRY_VERIFY_WITH_TIMEOUT(
            text(49).contains(QStringLiteral("5000 octets (les 1024 premiers) :")), LongWaitMs);
        QVERIFY(text(48).contains(QStringLiteral("2 octets :")));
        // A full journal that keeps growing is shown as it goes, not once it stops.
        for (int i = 0; i < 8; ++i) {
            record("s" + QByteArray::number(i));
            QTest::qWait(60);
        }
        QVERIFY(text(49).contains(QStringLiteral("« s")));
        QTemporaryDir folder;
        dialogs.fileChoice = folder.filePath(QStringLiteral("absent/journal.txt"));
        window.saveJournal();
        QCOMPARE(dialogs.warnings.size(), 1);
        QVERIFY(dialogs.warnings[0].contains(QStringLiteral("n'a pas pu être enregistré")));
        // The Save As and Open dialogs start from the design's pattern.
        SetupFileDialog dialog(nullptr, QFileDialog::AcceptOpen);
        QVERIFY(dialog.findChild<QLineEdit *>(QStringLiteral("fileNameEdit")));
        QCOMPARE(dialog.findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))->text(),
                 QStringLiteral("*.txt"));
        // The design's dialog offers no list of file types: any name given is used as it is.
        QVERIFY(dialog.findChild<QWidget *>(QStringLiteral("fileTypeCombo"))->isHidden());
    }

    // The program's own dialogs give back what the user confirmed, nothing when cancelled, and
    // show their messages.
    void userDialogsGiveBackWhatIsConfirmed()
    {
        QTemporaryDir folder;
        const QString chosen = folder.filePath(QStringLiteral("réglage.txt"));
        writeBytes(chosen, {});
        QStringList shown;
        const auto answerNext = [&shown](const QString &typed, bool confirm) {
            QTimer::singleShot(0, [&shown, typed, confirm] {
                auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
                QVERIFY(dialog);
                const auto *file = qobject_cast<QFileDialog *>(dialog);
                const auto *box = qobject_cast<QMessageBox *>(dialog);
                shown.append(
                    dialog->windowTitle() + (box ? QStringLiteral(" : ") + box->text() : "")
                    + (file && file->acceptMode() == QFileDialog::AcceptSave ? " (enr.)" : ""));
                auto *field = dialog->findChild<QLineEdit *>(file ? "fileNameEdit" : QString());
                if (field && !typed.isEmpty()) {
                    field->setText(typed);
                }
                confirm ? dialog->accept() : dialog->reject();
            });
        };
        QtUserDialogs dialogs;
        answerNext(chosen, true);
        QCOMPARE(dialogs.chooseSetupFile(nullptr, UserDialogs::FileMode::Open), chosen);
        answerNext({}, false);
        QCOMPARE(dialogs.chooseSetupFile(nullptr, UserDialogs::FileMode::Save), std::nullopt);
        answerNext(QStringLiteral("12"), true);
        QCOMPARE(dialogs.askText(nullptr, "Titre", "Valeur", "3"), QStringLiteral("12"));
        answerNext(QStringLiteral("12"), false);
        QCOMPARE(dialogs.askText(nullptr, "Titre", "Valeur", "3"), QString());
        answerNext(QStringLiteral("4"), true);
        QCOMPARE(dialogs.askPort(nullptr, "Port", "Numéro", "3", folder.path(), {}), "4");
        answerNext({}, false);
        QCOMPARE(dialogs.askPort(nullptr, "Port", "Numéro", "3", folder.path(), {}), QString());
        answerNext({}, true);
        dialogs.inform(nullptr, QStringLiteral("Information"), QStringLiteral("Envoyé"));
        answerNext({}, true);
        dialogs.warn(nullptr, QStringLiteral("Attention"), QStringLiteral("Absent"));
        const auto clickInNextQuestion = [](const QString &clicked) {
            QTimer::singleShot(0, [clicked] {
                auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
                QVERIFY(box);
                for (QAbstractButton *button : box->buttons()) {
                    if (button->text() == clicked) {
                        button->click();
                    }
                }
            });
        };
        // Quitting with values not sent: each of the three buttons says its own choice.
        const std::map<QString, UserDialogs::QuitChoice> choices {
            {QStringLiteral("&Envoyer"), UserDialogs::QuitChoice::Send},
            {QStringLiteral("&Quitter sans envoyer"), UserDialogs::QuitChoice::QuitWithoutSending},
            {QStringLiteral("Annuler"), UserDialogs::QuitChoice::Cancel}};
        for (const auto &[clicked, choice] : choices) {
            clickInNextQuestion(clicked);
            QCOMPARE(dialogs.askBeforeQuit(nullptr, "Quitter", "Les envoyer ?"), choice);
        }
        // A question is answered yes by the button that names its action, no by "Annuler".
        for (const QString &clicked : {QStringLiteral("Remplacer"), QStringLiteral("Annuler")}) {
            clickInNextQuestion(clicked);
            QCOMPARE(dialogs.confirm(nullptr, "Repère", "Remplacer les valeurs ?", "Remplacer"),
                     clicked == QStringLiteral("Remplacer"));
        }
        // A name that does not exist yet is asked about first; "Non" leaves the dialog open.
        answerNext(folder.filePath(QStringLiteral("nouveau.txt")), true);
        answerNext({}, false);
        answerNext({}, false);
        QCOMPARE(dialogs.chooseSetupFile(nullptr, UserDialogs::FileMode::Open), std::nullopt);
        QCOMPARE(shown.size(), 11);
        QVERIFY2(shown[9].endsWith(QStringLiteral("« nouveau.txt » n'existe pas.\nVoulez-vous le "
                                                  "créer ?")),
                 qPrintable(shown[9]));
        shown = shown.mid(0, 8);
        QVERIFY(shown[1].endsWith(" (enr.)") && !shown[0].endsWith(" (enr.)"));
        QCOMPARE(shown.mid(2),
                 (QStringList {"Titre", "Titre", "Port", "Port", "Information : Envoyé",
                               "Attention : Absent"}));
    }

    void startUpRestoresParamIni_data() { addDataRows(QStringLiteral("startup.tsv")); }
    void startUpRestoresParamIni()
    {
        QFETCH(QString, file);
        QFETCH(QString, locale);
        QFETCH(QString, field);
        QFETCH(QString, shown);
        WindowFixture fixture;
        if (!file.isEmpty()) {
            writeBytes(fixture.paramIni(), unescaped(file));
        }
        MainWindow &window = fixture.open(QLocale(locale));
        QObject *control = fixture.find<QObject>(field);
        QCOMPARE(control ? shownText(control) : QString::number(window.serialLink().commPort()),
                 shown);
        QCOMPARE(readBytes(fixture.paramIni()), unescaped(file));
        QVERIFY(!window.serialLink().portOpen());
    }

    void saveAsThenOpenRoundTrips_data() { addDataRows(QStringLiteral("saveopen.tsv")); }
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
        QVERIFY(!QFile::exists(fixture.paramIni()));
        const QByteArray saved = readBytes(file); // no extension added
        QVERIFY(saved.contains("[max4]\r\nvaleur=" + typed.toUtf8() + "\r\n"));
        QVERIFY(saved.contains("[ET2]\r\nvaleur=2\r\n")); // saved unchanged

        window.setSetup(MonitoringSetup {});
        window.n_ouvrir_Click();
        QCOMPARE(window.setup().analog[4].max, reopened);
        QCOMPARE(window.setup().logic[5].action, -1);
        QCOMPARE(window.setup().analog[3].action, 3);
        QCOMPARE(fixture.dialogs.fileModesAsked,
                 (QList<UserDialogs::FileMode> {UserDialogs::FileMode::Save,
                                                UserDialogs::FileMode::Open}));
        QVERIFY(fixture.dialogs.warnings.isEmpty());
    }

    void openSetsEveryControlOrLeavesRefusedLists()
    {
        WindowFixture fixture;
        MainWindow &window = fixture.open();
        window.setSetup(sampleSetup());
        const QString file = fixture.folder.filePath(QStringLiteral("a.txt"));
        writeBytes(file, "bonjour\r\n[autre]\r\nx=1\r\n");
        fixture.dialogs.fileChoice = file;
        window.n_ouvrir_Click();
        QCOMPARE(window.setup(), uniformSetup(QStringLiteral("0")));

        window.setSetup(sampleSetup());
        writeBytes(
            file,
            iniBytes({{"action21", "7"}, {"action22", "2.5"}, {"action10", "-1"}, {"ET1", "oui"}}));
        window.n_ouvrir_Click();
        QCOMPARE(window.setup().analog[1].action, 1); // 7 refused
        QCOMPARE(window.setup().analog[2].action, 2);
        QCOMPARE(window.setup().logic[0].action, -1);
        QCOMPARE(window.setup().logic[1].et, QStringLiteral("0"));

        // Cancel changes nothing, anywhere.
        window.setSetup(sampleSetup());
        fixture.dialogs.fileChoice.reset();
        window.n_enregistrer_Click();
        window.n_ouvrir_Click();
        QCOMPARE(window.setup(), sampleSetup());
        QCOMPARE(QDir(fixture.folder.path()).entryList(QDir::Files), QStringList {"a.txt"});
    }

    // A file step that fails says so, naming the file; nothing is changed or lost.
    void fileStepsThatFailSaySo_data() { addDataRows(QStringLiteral("filesteps.tsv")); }
    void fileStepsThatFailSaySo()
    {
        QFETCH(QString, kind);
        QFETCH(QString, said);
        WindowFixture fixture;
        MainWindow &window = fixture.open();
        window.setSetup(sampleSetup());
        QString file = fixture.folder.filePath(QStringLiteral("verrou.txt"));
        const QByteArray before("[min0]\r\nvaleur=3\r\n");
        if (kind.endsWith(QLatin1String("folder")) && kind != QLatin1String("missing folder")) {
            QVERIFY(QDir().mkdir(file));
        } else if (kind == QLatin1String("missing folder")) {
            file = fixture.folder.filePath(QStringLiteral("absent/verrou.txt"));
        } else {
            writeBytes(file, before);
            QVERIFY(kind != QLatin1String("open huge") || QFile::resize(file, 100LL << 20));
            QVERIFY(QFile::setPermissions(file, QFileDevice::ReadOwner));
        }
        fixture.dialogs.fileChoice = file;
        if (kind.startsWith(QLatin1String("open"))) {
            window.n_ouvrir_Click();
        } else {
            window.n_enregistrer_Click();
        }
        QCOMPARE(fixture.dialogs.warnings.size(), 1);
        const QString warning = fixture.dialogs.warnings.first();
        QVERIFY2(warning.contains(QDir::toNativeSeparators(file)) && warning.contains(said)
                     && !warning.contains(QStringLiteral(".."))
                     && !warning.contains(QStringLiteral("erreur inconnue")),
                 qPrintable(warning));
        QCOMPARE(window.setup(), sampleSetup());
        if (QFileInfo(file).isFile()) {
            QVERIFY(readBytes(file).startsWith(before));
        }
    }
};

QTEST_MAIN(TestWindow)
#include "tst_window.moc"
