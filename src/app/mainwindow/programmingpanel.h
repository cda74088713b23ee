#pragma once

#include "app/mainwindow/paneldesign.h"
#include "model/monitoringsetup.h"

#include <QLocale>
#include <QTime>
#include <QWidget>

#include <array>
#include <optional>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace Tensiova {

class ActionComboBox;
class AnswerBox;

// How a screen reader names a field: "Voie analogique AN3, seuil bas", "Voie logique ET1, action".
QString spokenFieldName(Family family, int channel);

// The main window's client area as designed: the programming panel (Frame4) with both channel
// grids, the answers box, the clock and the device link's buttons. Its fields are the one store of
// the settings: setup() and setSetup() read and write them all at once. Each field is marked as
// it changes: a red or amber frame with the reason where "Envoi" would refuse or change it, bold
// where it differs from what the device last received.
class ProgrammingPanel : public QWidget
{
    Q_OBJECT

public:
    explicit ProgrammingPanel(const QLocale &locale, QWidget *parent = nullptr);

    // Lists the actions in the 16 lists and selects the first (the window's start-up).
    void fillActionLists();

    MonitoringSetup setup() const;
    void setSetup(const MonitoringSetup &values);
    // Shows what the device last received from here, or param.ini's, and when it was sent, if it
    // was: the fields take those values, unmarked.
    void showSent(const MonitoringSetup &sent, std::optional<QTime> sentAt);

    // Once the panel is in its window: the first field of the design's focus order.
    void focusFirstField();
    // Fields typed by hand since settle() (not values the program put there), that closing the
    // program would lose.
    int typedSinceSettled() const;
    // The fields as they are now hold nothing that closing would lose: sent, opened or saved.
    void settle();

    void setFrameVisible(bool visible);
    bool isFrameVisible() const;

    AnswerBox *answers() const { return m_answers; }
    // The repère typed for the device being programmed; kept until changed.
    QString label() const;
    static constexpr int LabelCapacity = 200;
    void setClockText(const QString &text);

signals:
    // "3 réglages modifiés depuis le dernier envoi", after each change of a field.
    void unsentLineChanged(const QString &line);
    void sendClicked();
    void closeClicked();
    void answersClicked();
    // Enter in the repère field (a scanner's end of line): the repère to program.
    void labelEntered(const QString &label);

private:
    void build();
    void buildFocusOrder();
    void buildLabelField();
    QWidget *rowControl(const PanelDesign::Row &row) const;
    QLineEdit *textBox(Family family, int channel) const;
    ActionComboBox *actionList(Family family, int channel) const;
    QWidget *control(Family family, int channel) const;
    void refreshMarks();

    QLocale m_locale;
    QGroupBox *m_frame = nullptr;
    std::array<std::array<QLineEdit *, ChannelCount>, 4> m_textBoxes {}; // min, max, coeff, et
    std::array<std::array<ActionComboBox *, ChannelCount>, 2> m_actionLists {}; // Combo2, Combo1
    AnswerBox *m_answers = nullptr;
    QLineEdit *m_label = nullptr;
    QLabel *m_clock = nullptr;
    QPushButton *m_send = nullptr;
    QPushButton *m_close = nullptr;
    QWidget *m_firstField = nullptr;
    MonitoringSetup m_sentSetup;
    std::optional<QTime> m_sentAt;
    bool m_settingUp = false;
    bool m_editedByHand = false; // since settle()
    MonitoringSetup m_settledSetup;
};

} // namespace Tensiova
