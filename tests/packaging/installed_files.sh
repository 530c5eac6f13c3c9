# The files an installation puts under its prefix, relative to it; sourced by the checks.
HL_DESKTOP_ID=org.example.Harborlight
HL_INSTALLED_FILES=(
  bin/harborlight
  bin/harborlight-report
  share/harborlight/help/index.html
  share/harborlight/help/style.css
  share/harborlight/help/images/main-window.png
  share/harborlight/help/images/about-box.png
  share/applications/$HL_DESKTOP_ID.desktop
  share/metainfo/$HL_DESKTOP_ID.metainfo.xml
)
HL_ICON_SIZES=(16 32 48 128 256)
for size in "${HL_ICON_SIZES[@]}"; do
  HL_INSTALLED_FILES+=("share/icons/hicolor/${size}x${size}/apps/$HL_DESKTOP_ID.png")
done

hl_report_header='Protocol,PID,Process Name,Local Address,Local Port,Remote Address,Remote Port,Connection State'

# Checks the installed desktop entry and AppStream data under prefix $1.
hl_validate_desktop_files() {
  desktop-file-validate "$1/share/applications/$HL_DESKTOP_ID.desktop"
  appstreamcli validate --no-net "$1/share/metainfo/$HL_DESKTOP_ID.metainfo.xml"
}

# The first line harborlight-report $1 writes, without its CR.
hl_report_first_line() {
  "$1" 2>/dev/null | head -n 1 | tr -d '\r'
}
