#include "app/QtMessageBox.h"

#include <QString>
#include <algorithm>

namespace hl {

// The boxes as other threads reach them: through the UI thread's call queue.
class QtMessageBox::Handle : public IMessageBox {
public:
    Handle(std::shared_ptr<UiCallQueue> queue, std::shared_ptr<BoxWaits> waits, QtMessageBox* owner)
        : m_queue(std::move(queue)), m_waits(std::move(waits)), m_owner(owner) {}

    bool Show(const std::string& text, const std::string& title, MessageIcon icon) override {
        const uint64_t wait = m_waits->Begin();
        if (wait == 0) {
            return false;
        }
        bool shown = false;
        m_queue->Call([&] { shown = m_owner->Open(text, title, icon, wait); });
        if (!shown) {
            m_waits->Finish(wait, false);
        }
        if (m_queue->OnUiThread()) {
            // The UI thread never waits for the user: the box stays on screen by itself.
            m_waits->Finish(wait, shown);
            m_waits->Wait(wait);
            return shown;
        }
        return m_waits->Wait(wait);
    }

private:
    std::shared_ptr<UiCallQueue> m_queue;
    std::shared_ptr<BoxWaits> m_waits;
    QtMessageBox* m_owner; // used on the UI thread only, while the queue is open
};

QtMessageBox::QtMessageBox()
    : m_waits(std::make_shared<BoxWaits>()),
      m_boxes(std::make_shared<Handle>(m_pump.Queue(), m_waits, this)) {}

QtMessageBox::~QtMessageBox() {
    Close();
}

void QtMessageBox::Close() {
    m_pump.Close();
    m_waits->Close();
    // Taken off the list first: closing a box must not come back into Forget.
    std::vector<std::unique_ptr<QMessageBox>> open;
    open.swap(m_open);
    for (auto& box : open) {
        box->disconnect();
        box->hide();
    }
}

std::vector<QMessageBox*> QtMessageBox::OpenBoxes() const {
    std::vector<QMessageBox*> boxes;
    for (const auto& box : m_open) {
        boxes.push_back(box.get());
    }
    return boxes;
}

bool QtMessageBox::Open(const std::string& text, const std::string& title, MessageIcon icon,
                        uint64_t wait) {
    if (m_waits->Closed()) {
        return false;
    }
    auto box = std::make_unique<QMessageBox>(
        icon == MessageIcon::Exclamation ? QMessageBox::Warning : QMessageBox::Information,
        QString::fromUtf8(title.data(), static_cast<qsizetype>(title.size())),
        QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())), QMessageBox::Ok);
    box->setWindowModality(Qt::NonModal);
    QMessageBox* raw = box.get();
    QObject::connect(raw, &QMessageBox::finished, raw, [this, raw, wait](int) {
        m_waits->Finish(wait, true);
        Forget(raw);
    });
    m_open.push_back(std::move(box));
    raw->show();
    raw->raise();
    raw->activateWindow();
    return true;
}

// The box is destroyed once the signal that reported its end has returned.
void QtMessageBox::Forget(QMessageBox* box) {
    const auto found = std::find_if(m_open.begin(), m_open.end(),
                                    [box](const auto& open) { return open.get() == box; });
    if (found != m_open.end()) {
        found->release()->deleteLater();
        m_open.erase(found);
    }
}

} // namespace hl
