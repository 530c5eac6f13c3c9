#include "app/AboutBox.h"

#include "resources/Icons.h"
#include "resources/ResourceIds.h"
#include "resources/Strings.h"

namespace hl {
namespace {

// Icons in dialogs show at the desktop's standard icon size, whatever the control's size.
constexpr int kIconSize = 32;

} // namespace

CAboutBox::CAboutBox(IShell& shell)
    : CTrayHostDlg(IDD_ABOUTBOX, nullptr, shell), m_wndLink(shell, QString(), false) {
    // The box asks for no minimise box, but some window managers offer one anyway: such a
    // minimise minimises, the box having no icon to put into the tray.
    m_bMinimizeToTray = false;
}

CAboutBox::~CAboutBox() {
    DestroyOnce();
}

bool CAboutBox::OnInitDialog() {
    CreateControls();
    m_wndLink.m_strTarget = QString::fromUtf8(kMakerWebAddress);
    show();
    return true;
}

// The template's controls in template order, which is also the Tab order; control 1001 is
// the link member.
void CAboutBox::CreateControls() {
    const DialogTemplate* dialog = Template();
    if (dialog == nullptr) {
        return;
    }
    for (const DialogControl& control : dialog->controls) {
        const QRect rect = Units().ToPixels(control.rect);
        const QString text = QString::fromUtf8(control.text);
        QWidget* widget = nullptr;
        if (control.id == IDC_WEB_LINK) {
            m_wndLink.setParent(Client());
            m_wndLink.setText(text);
            widget = &m_wndLink;
        } else if (control.kind == ControlKind::Icon) {
            auto* icon = new QLabel(Client());
            icon->setPixmap(LoadIconPixmap(control.iconId, kIconSize));
            icon->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            widget = icon;
        } else if (control.kind == ControlKind::DefPushButton ||
                   control.kind == ControlKind::PushButton) {
            auto* button = new QPushButton(text, Client());
            button->setDefault(control.kind == ControlKind::DefPushButton);
            button->setAutoDefault(false);
            const int id = control.id;
            connect(button, &QPushButton::clicked, this, [this, id] { OnCommand(id); });
            if (id == IDOK) {
                m_pOkButton = button;
            }
            widget = button;
        } else {
            auto* label = new QLabel(text, Client());
            label->setTextFormat(Qt::PlainText);
            widget = label;
        }
        widget->setObjectName(QStringLiteral("control%1").arg(control.id));
        widget->setGeometry(rect);
        widget->show();
    }
}

} // namespace hl
