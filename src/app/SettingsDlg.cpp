#include "app/SettingsDlg.h"

#include "resources/ResourceIds.h"

#include <algorithm>
#include <array>

namespace hl {
namespace {

// The slider's ends: 0 beside "Refresh Slower", 100 beside "Refresh Faster".
constexpr int kSliderMin = 0;
constexpr int kSliderMax = 100;
// A page is a fifth of the range, as on a trackbar.
constexpr int kSliderPage = 20;

// A check box shows 1 as checked; every other value, as only a hand-edited store holds one,
// shows unchecked.
void Exchange(bool save, QCheckBox& box, uint32_t& value) {
    if (save) {
        value = box.isChecked() ? 1 : 0;
    } else {
        box.setChecked(value == 1);
    }
}

// The slider keeps to its range: a value outside it shows at the nearer end.
void Exchange(bool save, QSlider& slider, uint32_t& value) {
    if (save) {
        value = static_cast<uint32_t>(slider.value());
    } else {
        slider.setValue(static_cast<int32_t>(value));
    }
}

} // namespace

CSettingsDlg::CSettingsDlg(CRegistryKey store, QWidget* parent)
    : TemplateDialog(IDD_SETTINGS, parent), m_regKey(std::move(store)), m_wndOk(Client()),
      m_wndCancel(Client()), m_wndFilterGroup(Client()), m_wndShowTCP(Client()),
      m_wndShowUDP(Client()), m_wndRefreshGroup(Client()), m_wndAutoRefresh(Client()),
      m_wndSlower(Client()), m_wndSpeedSlider(Qt::Horizontal, Client()), m_wndFaster(Client()) {
    PlaceControls();
    m_wndOk.setDefault(true);
    m_wndSpeedSlider.setRange(kSliderMin, kSliderMax);
    m_wndSpeedSlider.setSingleStep(1);
    m_wndSpeedSlider.setPageStep(kSliderPage);
    m_wndSpeedSlider.setTickPosition(QSlider::NoTicks);
    connect(&m_wndOk, &QPushButton::clicked, this, [this] { OnCommand(IDOK); });
    connect(&m_wndCancel, &QPushButton::clicked, this, [this] { OnCommand(IDCANCEL); });
}

// Every control of the template gets its text, its place and, when it has a tab stop, the
// keyboard focus by Tab and by click.
void CSettingsDlg::PlaceControls() {
    const std::array<QWidget*, 10> controls = {
        &m_wndOk,           &m_wndCancel,      &m_wndFilterGroup, &m_wndShowTCP,     &m_wndShowUDP,
        &m_wndRefreshGroup, &m_wndAutoRefresh, &m_wndSlower,      &m_wndSpeedSlider, &m_wndFaster};
    const DialogTemplate* dialog = Template();
    if (dialog == nullptr || dialog->controls.size() != controls.size()) {
        return;
    }
    for (size_t i = 0; i < controls.size(); ++i) {
        const DialogControl& control = dialog->controls[i];
        QWidget* widget = controls[i];
        const QString text = QString::fromUtf8(control.text);
        if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
            button->setText(text);
        } else if (auto* group = qobject_cast<QGroupBox*>(widget)) {
            group->setTitle(text);
        } else if (auto* label = qobject_cast<QLabel*>(widget)) {
            label->setText(text);
        }
        widget->setObjectName(QString::number(control.id));
        widget->setGeometry(Units().ToPixels(control.rect));
        widget->setFocusPolicy(control.tabStop ? Qt::StrongFocus : Qt::NoFocus);
        widget->show();
    }
    FitTexts();
}

// The template was drawn for a narrower font than most desktops have: a text that does not
// fit its place grows within its group box, the label left of the slider to the left and
// every other one to the right.
void CSettingsDlg::FitTexts() {
    const int margin = Units().ToPixelsX(3);
    const auto fit = [margin](QWidget& text, const QGroupBox& group, bool leftward) {
        const QRect place = text.geometry();
        const int needed = text.sizeHint().width();
        if (needed <= place.width()) {
            return;
        }
        if (leftward) {
            const int left = std::max(group.geometry().left() + margin, place.right() - needed);
            text.setGeometry(QRect(QPoint(left, place.top()), place.bottomRight()));
        } else {
            const int right = std::min(group.geometry().right() - margin, place.left() + needed);
            text.setGeometry(QRect(place.topLeft(), QPoint(right, place.bottom())));
        }
    };
    fit(m_wndShowTCP, m_wndFilterGroup, false);
    fit(m_wndShowUDP, m_wndFilterGroup, false);
    fit(m_wndAutoRefresh, m_wndRefreshGroup, false);
    m_wndSlower.setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    fit(m_wndSlower, m_wndRefreshGroup, true);
    fit(m_wndFaster, m_wndRefreshGroup, false);
}

void CSettingsDlg::DoDataExchange(bool save) {
    Exchange(save, m_wndAutoRefresh, m_settings.m_nAutoRefresh);
    Exchange(save, m_wndShowTCP, m_settings.m_nShowTCP);
    Exchange(save, m_wndShowUDP, m_settings.m_nShowUDP);
    Exchange(save, m_wndSpeedSlider, m_settings.m_nSpeedSlider);
}

// Shows the stored values, each missing one as its default. When the key can be neither
// opened nor created, the controls keep the members' initial values: nothing checked and the
// slider at its left end.
bool CSettingsDlg::OnInitDialog() {
    DoDataExchange(false);
    m_bKeyOpen = LoadSettings(m_regKey, m_settings);
    DoDataExchange(false);
    // The focus goes to the first control with a tab stop, the OK button.
    return true;
}

// Writes all four values as the controls show them. Without the key there is nowhere to
// write to, and the dialog just closes.
void CSettingsDlg::OnOK() {
    DoDataExchange(true);
    if (m_bKeyOpen) {
        WriteSettings(m_regKey, m_settings);
    }
    TemplateDialog::OnOK();
}

} // namespace hl
