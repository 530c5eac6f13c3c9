#pragma once

#include <QStatusBar>
#include <QString>
#include <vector>

class QLabel;

namespace hl {

// The status line: a row of text parts, each with a sunken border, and a size grip at the
// right end.
class CStatusBarCtrl : public QStatusBar {
    Q_OBJECT
public:
    explicit CStatusBarCtrl(QWidget* parent = nullptr);
    ~CStatusBarCtrl() override;

    // Makes the bar a child window of `parent` with this control id; false without a parent.
    bool Create(QWidget* parent, int id);
    bool IsWindow() const { return m_bCreated; }
    int ControlId() const { return m_nId; }

    // The parts by their right edges in pixels from the bar's left; -1 reaches to the right
    // end. A part without width is not drawn. Drops the parts before, with their texts.
    bool SetParts(const std::vector<int>& rightEdges);
    int GetPartCount() const { return static_cast<int>(m_parts.size()); }
    bool SetText(int part, const QString& text);
    // Empty for a part that does not exist.
    QString GetText(int part) const;
    // The part's label; nullptr outside the bar.
    QLabel* PartLabel(int part) const;

private:
    bool m_bCreated = false;
    int m_nId = 0;
    std::vector<QLabel*> m_parts; // children of the bar
};

} // namespace hl
