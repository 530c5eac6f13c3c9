#include "app/StaticLink.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <QUrl>
#include <mutex>

namespace hl {
namespace {

// What assistive technology sees of a link: the role Link, its text as the name, and the
// press action that opens it.
class AccessibleStaticLink : public QAccessibleWidget {
public:
    explicit AccessibleStaticLink(CStaticLink* link)
        : QAccessibleWidget(link, QAccessible::Link), m_pLink(link) {}

    QString text(QAccessible::Text t) const override {
        switch (t) {
        case QAccessible::Name:
            return m_pLink->text();
        case QAccessible::Description:
            return m_pLink->m_strTarget;
        default:
            return QAccessibleWidget::text(t);
        }
    }
    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString& actionName) override {
        if (actionName == pressAction()) {
            m_pLink->Activate();
        }
    }

private:
    CStaticLink* m_pLink;
};

QAccessibleInterface* LinkAccessibleFactory(const QString&, QObject* object) {
    if (auto* link = qobject_cast<CStaticLink*>(object)) {
        return new AccessibleStaticLink(link);
    }
    return nullptr;
}

void InstallAccessibleFactory() {
    static std::once_flag once;
    std::call_once(once, [] { QAccessible::installFactory(&LinkAccessibleFactory); });
}

} // namespace

const QColor CStaticLink::kUnvisited(0, 0, 255);
const QColor CStaticLink::kVisited(128, 0, 128);

CStaticLink::CStaticLink(IShell& shell, const QString& text, bool autoDelete, QWidget* parent)
    : QLabel(parent), m_strTarget(text), m_shell(shell), m_bAutoDelete(autoDelete),
      m_beep(&QApplication::beep) {
    InstallAccessibleFactory();
    setTextFormat(Qt::PlainText);
    // Reached with Tab, and by a click like any control.
    setFocusPolicy(Qt::StrongFocus);
    if (m_bAutoDelete) {
        setAttribute(Qt::WA_DeleteOnClose);
    }
}

CStaticLink::~CStaticLink() = default;

const QCursor& CStaticLink::HandCursor() {
    // Made when a link first needs it, then shared by every link of the program.
    static const QCursor hand(Qt::PointingHandCursor);
    return hand;
}

bool CStaticLink::OpenTarget() {
    if (m_strTarget.isEmpty()) {
        return false;
    }
    return m_shell.OpenUrl(QUrl::fromUserInput(m_strTarget));
}

void CStaticLink::Activate() {
    if (m_strTarget.isEmpty()) {
        m_strTarget = text();
    }
    if (m_strTarget.isEmpty()) {
        return;
    }
    if (!OpenTarget()) {
        if (m_beep) {
            m_beep();
        }
        return;
    }
    m_crText = kVisited;
    update();
}

bool CStaticLink::IsPlainText() const {
    if (!pixmap().isNull() || movie() != nullptr || !picture().isNull() || wordWrap()) {
        return false;
    }
    if (textFormat() == Qt::RichText ||
        (textFormat() == Qt::AutoText && Qt::mightBeRichText(text()))) {
        return false;
    }
    const Qt::Alignment horizontal = alignment() & Qt::AlignHorizontal_Mask & ~Qt::AlignAbsolute;
    return horizontal == Qt::AlignLeft || horizontal == Qt::AlignHCenter ||
           horizontal == Qt::AlignRight;
}

bool CStaticLink::event(QEvent* event) {
    // The pointer turns into the hand when it first comes over the link.
    if (event->type() == QEvent::Enter && !testAttribute(Qt::WA_SetCursor)) {
        setCursor(HandCursor());
    }
    return QLabel::event(event);
}

void CStaticLink::paintEvent(QPaintEvent* event) {
    if (!IsPlainText()) {
        QLabel::paintEvent(event);
        return;
    }
    if (!m_fontUnderline) {
        QFont underline = font();
        underline.setUnderline(true);
        m_fontUnderline = underline;
    }
    // No background of its own: the dialog's shows through.
    QPainter painter(this);
    painter.setFont(*m_fontUnderline);
    painter.setPen(m_crText);
    const QRect area = contentsRect().adjusted(margin(), margin(), -margin(), -margin());
    QRect drawn;
    painter.drawText(area, static_cast<int>(alignment()) | Qt::TextSingleLine, text(), &drawn);
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = drawn.adjusted(-1, 0, 1, 0).intersected(rect());
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
    }
}

void CStaticLink::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        Activate();
        event->accept();
        return;
    }
    QLabel::mousePressEvent(event);
}

void CStaticLink::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        if (event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier) {
            Activate();
            event->accept();
            return;
        }
        break;
    default:
        break;
    }
    QLabel::keyPressEvent(event);
}

} // namespace hl
