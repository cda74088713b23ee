#pragma once

#include <QWidget>

class QTextBrowser;

namespace Tensiova {

// The user's guide (? ▸ Aide, F1): the French guide built into the program from the repository's
// text, with its pictures, readable without a network.
class GuideWindow : public QWidget
{
    Q_OBJECT

public:
    explicit GuideWindow(QWidget *parent = nullptr);

    QTextBrowser *browser() const { return m_browser; }

private:
    QTextBrowser *m_browser;
};

} // namespace Tensiova
