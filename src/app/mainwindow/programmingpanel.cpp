#include "app/mainwindow/programmingpanel.h"

#include "app/widgets/actioncombobox.h"
#include "app/widgets/answerbox.h"
#include "app/widgets/design.h"
#include "app/widgets/fieldmarks.h"
#include "app/widgets/framebox.h"
#include "app/widgets/picturebutton.h"
#include "app/widgets/pictures.h"
#include "link/fieldcheck.h"
#include "model/actionchoice.h"

#include <QLabel>
#include <QLineEdit>

#include <limits>

namespace Tensiova {

namespace {

QString arrayName(const QString &array, int index)
{
    return QStringLiteral("%1(%2)").arg(array).arg(index);
}

void setColor(QWidget *widget, QPalette::ColorRole role, const QColor &color)
{
    QPalette palette = widget->palette();
    palette.setColor(role, color);
    widget->setPalette(palette);
}

int textIndex(Family family)
{
    return int(family) - int(Family::Min);
}

int actionIndex(Family family)
{
    return family == Family::AnalogAction ? 0 : 1;
}

QString controlArrayName(Family family)
{
    static const std::array<QString, FamilyOrder.size()> Names {
        QStringLiteral("min"), QStringLiteral("max"),    QStringLiteral("coeff"),
        QStringLiteral("et"),  QStringLiteral("Combo2"), QStringLiteral("Combo1")};
    return Names.at(std::size_t(family));
}

} // namespace

QString spokenFieldName(Family family, int channel)
{
    static const std::array<QString, FamilyOrder.size()> Columns {
        QStringLiteral("seuil bas"),   QStringLiteral("seuil haut"),
        QStringLiteral("coefficient"), QStringLiteral("état à surveiller"),
        QStringLiteral("action"),      QStringLiteral("action")};
    const bool logic = isLogicFamily(family);
    return QStringLiteral("%1 %2, %3")
        .arg(logic ? QStringLiteral("Voie logique") : QStringLiteral("Voie analogique"),
             rowCaption(family, channel), Columns.at(std::size_t(family)));
}

ProgrammingPanel::ProgrammingPanel(const QLocale &locale, QWidget *parent)
    : QWidget(parent)
    , m_locale(locale)
{
    build();
    buildFocusOrder();
    for (const Family family : FamilyOrder) {
        for (int channel = 0; channel < ChannelCount; ++channel) {
            if (isActionFamily(family)) {
                ActionComboBox *list = actionList(family, channel);
                connect(list, &QComboBox::currentIndexChanged, this,
                        &ProgrammingPanel::refreshMarks);
                connect(list, &QComboBox::editTextChanged, this, &ProgrammingPanel::refreshMarks);
                connect(list, &QComboBox::activated, this, [this] { m_editedByHand = true; });
                connect(list->lineEdit(), &QLineEdit::textEdited, this,
                        [this] { m_editedByHand = true; });
            } else {
                connect(textBox(family, channel), &QLineEdit::textChanged, this,
                        &ProgrammingPanel::refreshMarks);
                connect(textBox(family, channel), &QLineEdit::textEdited, this,
                        [this] { m_editedByHand = true; });
            }
        }
    }
}

void ProgrammingPanel::fillActionLists()
{
    // The marks are drawn once, when the restored values are in.
    m_settingUp = true;
    for (int channel = 0; channel < ChannelCount; ++channel) {
        for (const Family family : {Family::AnalogAction, Family::LogicAction}) {
            actionList(family, channel)->addItems(ActionChoice::texts());
            actionList(family, channel)->setAction(0);
        }
    }
    m_settingUp = false;
}

void ProgrammingPanel::build()
{
    using namespace PanelDesign;
    setFixedSize(Design::pixels(ClientWidth), Design::pixels(ClientHeight));
    m_frame = new FrameBox(QStringLiteral("Programmation des surveillances"), QColor(), this);
    m_frame->setObjectName(QStringLiteral("Frame4"));
    m_frame->setAccessibleName(QStringLiteral("Programmation des surveillances"));
    m_frame->setGeometry(Design::rect(Panel.left, Panel.top, Panel.width, Panel.height));

    static const std::array<QColor, 5> Colours {QColor(), QColor(0x00, 0x00, 0xFF),
                                                QColor(0xFF, 0x00, 0x00), QColor(0xFF, 0xFF, 0xFF),
                                                QColor(0xFF, 0xFF, 0xC0)};
    static const std::array<const char *, ChannelCount> InitialStates {"1", "1", "0", "0",
                                                                       "0", "1", "1", "1"};
    const QPixmap buttonPicture = Design::picture(QStringLiteral(":/pictures/button.png"));
    std::array<QWidget *, 2> frames {};
    int labelIndex = 0;
    for (const Row &row : Rows) {
        QWidget *parent = row.frame < 0 ? static_cast<QWidget *>(m_frame) : frames.at(row.frame);
        const QColor &colour = Colours.at(std::size_t(row.colour));
        QWidget *widget = nullptr;
        switch (row.control) {
        case Control::Frame: {
            const QString title = gridCaption(row.channel == 0 ? Family::Min : Family::Et);
            widget = frames.at(row.channel) = new FrameBox(title, colour, parent);
            widget->setObjectName(arrayName(QStringLiteral("Frame2"), row.channel));
            widget->setAccessibleName(row.channel == 0 ? QStringLiteral("Voies analogiques")
                                                       : QStringLiteral("Voies logiques"));
            break;
        }
        case Control::Heading:
        case Control::RowCaption: {
            auto *label =
                new QLabel(row.control == Control::Heading ? columnCaption(row.family)
                                                           : rowCaption(row.family, row.channel),
                           parent);
            label->setObjectName(arrayName(QStringLiteral("Label2"), labelIndex++));
            label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
            setColor(label, QPalette::WindowText, colour);
            widget = label;
            break;
        }
        case Control::TextBox: {
            static const std::array<const char *, 3> Initial {"0", "5", "1"};
            auto *box = new QLineEdit(row.family == Family::Et
                                          ? QString::fromLatin1(InitialStates.at(row.channel))
                                          : QString::fromLatin1(Initial.at(textIndex(row.family))),
                                      parent);
            box->setAlignment(Qt::AlignCenter);
            // The box holds whatever is typed or pasted, as the Windows text box did (Qt would cut
            // it at 32767 characters without a word).
            box->setMaxLength(std::numeric_limits<int>::max());
            if (colour.isValid()) {
                setColor(box, QPalette::Base, colour);
            }
            m_textBoxes[textIndex(row.family)][row.channel] = box;
            widget = box;
            break;
        }
        case Control::ActionList: {
            auto *list = new ActionComboBox(parent);
            list->setEditText(controlArrayName(row.family));
            m_actionLists[actionIndex(row.family)][row.channel] = list;
            widget = list;
            break;
        }
        case Control::Clock:
            widget = m_clock = new QLabel(QStringLiteral("..."), parent);
            m_clock->setObjectName(QStringLiteral("Label5"));
            m_clock->setAccessibleDescription(QStringLiteral("Date et heure"));
            break;
        case Control::Answers:
            widget = m_answers = new AnswerBox(parent);
            m_answers->setObjectName(QStringLiteral("Text1"));
            m_answers->setAccessibleName(QStringLiteral("Réponses de l'appareil"));
            m_answers->setText(QStringLiteral("...."));
            connect(m_answers, &AnswerBox::clicked, this, &ProgrammingPanel::answersClicked);
            break;
        case Control::SendButton:
            widget = m_send = new PictureButton(QStringLiteral("Envoi "), buttonPicture, parent);
            m_send->setObjectName(QStringLiteral("Command6"));
            m_send->setAccessibleName(QStringLiteral("Envoi"));
            m_send->setAccessibleDescription(
                QStringLiteral("Envoie les réglages des 16 voies à l'appareil (Ctrl+Entrée)."));
            connect(m_send, &QPushButton::clicked, this, &ProgrammingPanel::sendClicked);
            break;
        case Control::CloseButton:
            widget = m_close = new PictureButton(QStringLiteral("Quitter"), buttonPicture, parent);
            m_close->setObjectName(QStringLiteral("Command5"));
            m_close->setAccessibleDescription(
                QStringLiteral("Cache le panneau de programmation et ferme le port."));
            connect(m_close, &QPushButton::clicked, this, &ProgrammingPanel::closeClicked);
            break;
        }
        if (row.control == Control::TextBox || row.control == Control::ActionList) {
            widget->setObjectName(arrayName(controlArrayName(row.family), row.channel));
            widget->setAccessibleName(spokenFieldName(row.family, row.channel));
        }
        if (row.width > 0) {
            widget->setGeometry(Design::rect(row.left, row.top, row.width, row.height));
        } else {
            widget->move(Design::pixels(row.left), Design::pixels(row.top));
            widget->adjustSize();
        }
    }
    buildLabelField();
}

void ProgrammingPanel::buildLabelField()
{
    // In the panel's free corner, beside the design's controls: the repère of the device being
    // programmed, which the record of each "Envoi" takes. A barcode scanner types it and presses
    // Enter: the text is then selected, so that the next scan replaces it, and nothing is sent.
    auto *caption = new QLabel(QStringLiteral("&Repère :"), m_frame);
    caption->setObjectName(QStringLiteral("LabelRepere"));
    m_label = new QLineEdit(m_frame);
    m_label->setObjectName(QStringLiteral("Repere"));
    m_label->setAccessibleName(QStringLiteral("Repère de l'appareil"));
    m_label->setAccessibleDescription(
        QStringLiteral("Site, armoire ou numéro de l'appareil, inscrit avec chaque envoi."));
    m_label->setPlaceholderText(QStringLiteral("site, armoire, n°"));
    m_label->setMaxLength(LabelCapacity);
    caption->setBuddy(m_label);
    m_label->setGeometry(Design::rect(1050, 6180, 2850, 345));
    caption->adjustSize();
    caption->move(Design::pixels(240), m_label->geometry().center().y() - caption->height() / 2);
    connect(m_label, &QLineEdit::returnPressed, this, [this] {
        m_label->selectAll();
        emit labelEntered(label());
    });
}

QString ProgrammingPanel::label() const
{
    return m_label->text().trimmed();
}

void ProgrammingPanel::buildFocusOrder()
{
    std::array<QWidget *, PanelDesign::Rows.size()> order {};
    qsizetype count = 0;
    for (const PanelDesign::Row &row : PanelDesign::Rows) {
        if (row.focus >= 0) {
            order.at(std::size_t(row.focus)) = rowControl(row);
            ++count;
        }
    }
    for (qsizetype i = 1; i < count; ++i) {
        setTabOrder(order.at(std::size_t(i - 1)), order.at(std::size_t(i)));
    }
    setTabOrder(order.at(std::size_t(count - 1)), m_label);
    m_firstField = order.front();
}

QWidget *ProgrammingPanel::rowControl(const PanelDesign::Row &row) const
{
    switch (row.control) {
    case PanelDesign::Control::TextBox:
    case PanelDesign::Control::ActionList:
        return control(row.family, row.channel);
    case PanelDesign::Control::Answers:
        return m_answers;
    case PanelDesign::Control::SendButton:
        return m_send;
    case PanelDesign::Control::CloseButton:
        return m_close;
    default:
        return nullptr;
    }
}

QLineEdit *ProgrammingPanel::textBox(Family family, int channel) const
{
    return m_textBoxes.at(textIndex(family)).at(channel);
}

ActionComboBox *ProgrammingPanel::actionList(Family family, int channel) const
{
    return m_actionLists.at(actionIndex(family)).at(channel);
}

MonitoringSetup ProgrammingPanel::setup() const
{
    MonitoringSetup values;
    for (const Family family : FamilyOrder) {
        for (int channel = 0; channel < ChannelCount; ++channel) {
            if (isActionFamily(family)) {
                values.setAction(family, channel, actionList(family, channel)->action());
            } else {
                values.setText(family, channel, textBox(family, channel)->text());
            }
        }
    }
    return values;
}

void ProgrammingPanel::setSetup(const MonitoringSetup &values)
{
    m_settingUp = true;
    for (const Family family : FamilyOrder) {
        for (int channel = 0; channel < ChannelCount; ++channel) {
            if (isActionFamily(family)) {
                // Always set: -1 must also clear a text the user typed.
                actionList(family, channel)->setAction(values.action(family, channel));
            } else if (textBox(family, channel)->text() != values.text(family, channel)) {
                textBox(family, channel)->setText(values.text(family, channel));
            }
        }
    }
    m_settingUp = false;
    refreshMarks();
}

QWidget *ProgrammingPanel::control(Family family, int channel) const
{
    return isActionFamily(family) ? static_cast<QWidget *>(actionList(family, channel))
                                  : textBox(family, channel);
}

void ProgrammingPanel::refreshMarks()
{
    if (m_settingUp) {
        return;
    }
    const MonitoringSetup current = setup();
    for (const Family family : FamilyOrder) {
        for (int channel = 0; channel < ChannelCount; ++channel) {
            FieldMarks::apply(
                control(family, channel), checkField(current, family, channel, m_locale),
                current.fieldText(family, channel) != m_sentSetup.fieldText(family, channel));
        }
    }
    emit unsentLineChanged(
        FieldMarks::unsentLine(changedFields(current, m_sentSetup), m_sentAt, m_locale));
}

void ProgrammingPanel::showSent(const MonitoringSetup &sent, std::optional<QTime> sentAt)
{
    m_sentSetup = sent;
    m_sentAt = sentAt;
    setSetup(sent);
}

int ProgrammingPanel::typedSinceSettled() const
{
    return m_editedByHand ? changedFields(setup(), m_settledSetup) : 0;
}

void ProgrammingPanel::settle()
{
    m_editedByHand = false;
    m_settledSetup = setup();
}

void ProgrammingPanel::focusFirstField()
{
    m_firstField->setFocus();
}

void ProgrammingPanel::setFrameVisible(bool visible)
{
    m_frame->setVisible(visible);
}

bool ProgrammingPanel::isFrameVisible() const
{
    return !m_frame->isHidden();
}

void ProgrammingPanel::setClockText(const QString &text)
{
    m_clock->setText(text);
    m_clock->adjustSize();
}

} // namespace Tensiova
