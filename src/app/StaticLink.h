#pragma once

#include "app/Shell.h"

#include <QColor>
#include <QFont>
#include <QLabel>
#include <QString>
#include <functional>
#include <optional>

class QCursor;

namespace hl {

// A static text that is a hyperlink: drawn underlined in blue, purple once it has been opened;
// a click (or Enter or Space when it has the keyboard focus) opens its target through the
// shell, or its own text when it has no target. Over it the pointer is the hand. Screen
// readers see it as a link that can be pressed.
class CStaticLink : public QLabel {
    Q_OBJECT
public:
    // The colours of a link that has not been opened yet, and of one that has.
    static const QColor kUnvisited;
    static const QColor kVisited;

    // `text` is the target (empty: none). With `autoDelete` the object deletes itself when
    // its window is closed (a link owned by a parent widget goes with that parent anyway).
    CStaticLink(IShell& shell, const QString& text = {}, bool autoDelete = false,
                QWidget* parent = nullptr);
    ~CStaticLink() override;

    // Opens m_strTarget through the shell; false when it is empty or the shell fails.
    bool OpenTarget();
    // What a click does: opens the target (the text when there is no target); success
    // makes the link visited, failure beeps.
    void Activate();

    // The sound of a failed open; QApplication::beep unless replaced.
    void SetBeep(std::function<void()> beep) { m_beep = std::move(beep); }

    // The hand cursor shared by every link, made on the first call.
    static const QCursor& HandCursor();

    QString m_strTarget;
    QColor m_crText = kUnvisited;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // Plain text aligned left, centre or right: the only kind drawn as a link.
    bool IsPlainText() const;

    IShell& m_shell;
    std::optional<QFont> m_fontUnderline; // made from the control's font on the first paint
    bool m_bAutoDelete;
    std::function<void()> m_beep;
};

} // namespace hl
