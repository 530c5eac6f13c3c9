#include "app/StatusBarCtrl.h"

#include <QLabel>
#include <algorithm>

namespace hl {

CStatusBarCtrl::CStatusBarCtrl(QWidget* parent) : QStatusBar(parent) {
    setSizeGripEnabled(true);
}

CStatusBarCtrl::~CStatusBarCtrl() = default;

bool CStatusBarCtrl::Create(QWidget* parent, int id) {
    if (parent == nullptr) {
        return false;
    }
    setParent(parent);
    m_nId = id;
    m_bCreated = true;
    show();
    return true;
}

bool CStatusBarCtrl::SetParts(const std::vector<int>& rightEdges) {
    for (QLabel* label : m_parts) {
        removeWidget(label);
        delete label;
    }
    m_parts.clear();
    int left = 0;
    for (const int edge : rightEdges) {
        auto* label = new QLabel(this); // owned by the bar
        label->setTextFormat(Qt::PlainText);
        label->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
        if (edge < 0) {
            addWidget(label, 1);
        } else {
            const int width = std::max(0, edge - left);
            label->setFixedWidth(width);
            addWidget(label);
            if (width == 0) {
                label->hide();
            }
            left = std::max(left, edge);
        }
        m_parts.push_back(label);
    }
    return true;
}

bool CStatusBarCtrl::SetText(int part, const QString& text) {
    QLabel* label = PartLabel(part);
    if (label == nullptr) {
        return false;
    }
    label->setText(text);
    return true;
}

QString CStatusBarCtrl::GetText(int part) const {
    const QLabel* label = PartLabel(part);
    return label != nullptr ? label->text() : QString();
}

QLabel* CStatusBarCtrl::PartLabel(int part) const {
    if (part < 0 || part >= GetPartCount()) {
        return nullptr;
    }
    return m_parts[static_cast<size_t>(part)];
}

} // namespace hl
