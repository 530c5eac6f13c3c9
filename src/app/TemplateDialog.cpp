#include "app/TemplateDialog.h"

#include "resources/MenuBuilder.h"
#include "resources/ResourceIds.h"

#include <QEventLoop>
#include <QKeyEvent>
#include <QPushButton>
#include <QResizeEvent>
#include <QTimer>

namespace hl {

TemplateDialog::TemplateDialog(int templateId, QWidget* parent)
    : QDialog(parent), m_pTemplate(FindDialogTemplate(templateId)),
      m_units(DialogUnits::ForDialogFont()), m_client(this) {
    if (m_pTemplate != nullptr && m_pTemplate->resizable) {
        setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                       Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    } else {
        // Only the hints given here: a fixed dialog has no minimise or maximise box.
        setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                       Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    }
    if (m_pTemplate != nullptr) {
        setWindowTitle(QString::fromUtf8(m_pTemplate->caption));
        const QRect client = m_units.ToPixels(m_pTemplate->rect);
        resize(client.size());
        if (!m_pTemplate->resizable) {
            setFixedSize(client.size());
        }
    }
    LayOutFrame();
}

TemplateDialog::~TemplateDialog() {
    DestroyOnce();
}

void TemplateDialog::DestroyOnce() {
    if (!m_bDestroyed) {
        m_bDestroyed = true;
        OnDestroy();
    }
}

bool TemplateDialog::Create() {
    m_bEnded = false;
    m_nModalResult = -1;
    if (!OnInitDialog()) {
        return false;
    }
    for (QWidget* child : m_client.findChildren<QWidget*>()) {
        if (child->focusPolicy() & Qt::TabFocus) {
            child->setFocus(Qt::OtherFocusReason);
            break;
        }
    }
    return true;
}

int TemplateDialog::DoModal() {
    Create();
    if (!m_bEnded) {
        QEventLoop loop;
        m_pLoop = &loop;
        loop.exec(QEventLoop::DialogExec);
        m_pLoop = nullptr;
    }
    return m_nModalResult;
}

void TemplateDialog::EndDialog(int result) {
    done(result);
}

void TemplateDialog::done(int result) {
    m_nModalResult = result;
    m_bEnded = true;
    QDialog::done(result);
    if (m_pLoop != nullptr) {
        m_pLoop->exit(result);
    }
}

void TemplateDialog::DestroyWindow() {
    DestroyOnce();
    if (!m_bEnded) {
        done(-1);
    }
}

void TemplateDialog::OnOK() {
    EndDialog(IDOK);
}

void TemplateDialog::OnCancel() {
    EndDialog(IDCANCEL);
}

bool TemplateDialog::OnCommand(int id) {
    switch (id) {
    case IDOK:
        OnOK();
        return true;
    case IDCANCEL:
        OnCancel();
        return true;
    default:
        return false;
    }
}

void TemplateDialog::PostCommand(int id) {
    QTimer::singleShot(0, this, [this, id] { OnCommand(id); });
}

bool TemplateDialog::SetMenu(int menuId) {
    auto bar = std::make_unique<QMenuBar>(this);
    if (!FillMenuBar(*bar, menuId)) {
        return false;
    }
    connect(bar.get(), &QMenuBar::triggered, this, [this](QAction* action) {
        if (const int id = CommandIdOf(action); id != 0) {
            PostCommand(id);
        }
    });
    // The menu sits above the client area: the window grows by its height.
    const QSize client = m_client.size();
    m_pMenuBar = std::move(bar);
    m_pMenuBar->show();
    const int barHeight = m_pMenuBar->sizeHint().height();
    if (m_pTemplate == nullptr || m_pTemplate->resizable) {
        resize(client.width(), client.height() + barHeight);
    } else {
        setFixedSize(client.width(), client.height() + barHeight);
    }
    LayOutFrame();
    return true;
}

QRect TemplateDialog::ControlRect(int controlId) const {
    if (m_pTemplate == nullptr) {
        return {};
    }
    const DialogControl* control = FindControl(*m_pTemplate, controlId);
    return control != nullptr ? m_units.ToPixels(control->rect) : QRect();
}

void TemplateDialog::OnSize(int, int) {}

void TemplateDialog::LayOutFrame() {
    int top = 0;
    if (m_pMenuBar) {
        top = m_pMenuBar->sizeHint().height();
        m_pMenuBar->setGeometry(0, 0, width(), top);
    }
    m_client.setGeometry(0, top, width(), std::max(0, height() - top));
}

void TemplateDialog::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    LayOutFrame();
    OnSize(m_client.width(), m_client.height());
}

// Enter and Escape end the dialog when the focused control leaves them to it.
void TemplateDialog::keyPressEvent(QKeyEvent* event) {
    if (event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier) {
        switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (findChildren<QPushButton*>().isEmpty()) {
                OnOK();
                return;
            }
            break;
        case Qt::Key_Escape:
            OnCancel();
            return;
        default:
            break;
        }
    }
    QDialog::keyPressEvent(event);
}

} // namespace hl
