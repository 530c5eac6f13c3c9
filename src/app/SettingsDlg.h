#pragma once

#include "app/TemplateDialog.h"
#include "settings/ProgramSettings.h"
#include "settings/RegistryKey.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>

namespace hl {

// The Settings dialog (template 142): the protocol filter, monitoring and its speed. It reads
// the stored values when it opens and writes all four on OK; Cancel writes nothing.
class CSettingsDlg : public TemplateDialog {
    Q_OBJECT
public:
    // `store` is the registry the values live in; the dialog opens the settings key itself.
    CSettingsDlg(CRegistryKey store, QWidget* parent);

    int AutoRefresh() const { return static_cast<int32_t>(m_settings.m_nAutoRefresh); }
    int ShowTCP() const { return static_cast<int32_t>(m_settings.m_nShowTCP); }
    int ShowUDP() const { return static_cast<int32_t>(m_settings.m_nShowUDP); }
    int SpeedSlider() const { return static_cast<int32_t>(m_settings.m_nSpeedSlider); }

    // The controls, for the program's tests.
    QPushButton& OkButton() { return m_wndOk; }
    QPushButton& CancelButton() { return m_wndCancel; }
    QCheckBox& ShowTcpBox() { return m_wndShowTCP; }
    QCheckBox& ShowUdpBox() { return m_wndShowUDP; }
    QCheckBox& AutoRefreshBox() { return m_wndAutoRefresh; }
    QSlider& SpeedSliderControl() { return m_wndSpeedSlider; }

protected:
    bool OnInitDialog() override;
    void OnOK() override;

private:
    // Controls to members when `save` is set, else members to controls.
    void DoDataExchange(bool save);
    void PlaceControls();
    void FitTexts();

    CRegistryKey m_regKey;
    // Nothing checked and the slider at its left end until the stored values are read.
    ProgramSettings m_settings{0, 0, 0, 0};
    bool m_bKeyOpen = false; // the key was opened at initialisation; OK writes only then

    // In template order, which is also their tab order.
    QPushButton m_wndOk;
    QPushButton m_wndCancel;
    QGroupBox m_wndFilterGroup;
    QCheckBox m_wndShowTCP;
    QCheckBox m_wndShowUDP;
    QGroupBox m_wndRefreshGroup;
    QCheckBox m_wndAutoRefresh;
    QLabel m_wndSlower;
    QSlider m_wndSpeedSlider;
    QLabel m_wndFaster;
};

} // namespace hl
