#pragma once

#include "app/BoxWaits.h"
#include "uithread/UiCallPump.h"
#include "platform/MessageBox.h"

#include <QMessageBox>
#include <memory>
#include <vector>

namespace hl {

// Message boxes on screen: parentless, non-modal, OK button, with the given title and icon.
// A worker that shows one waits until the user dismisses it, while the UI thread and every
// window stay usable; on the UI thread a box is shown and the call returns at once.
// Closing (the main window does it when it ends) makes every waiting and every later Show
// return false at once and takes the open boxes off the screen. UI-thread object.
class QtMessageBox {
public:
    QtMessageBox();
    ~QtMessageBox();
    QtMessageBox(const QtMessageBox&) = delete;
    QtMessageBox& operator=(const QtMessageBox&) = delete;

    // The boxes for any thread; the handle may outlive this object and fails after it.
    std::shared_ptr<IMessageBox> Boxes() const { return m_boxes; }
    void Close();
    // The boxes on screen now, oldest first.
    std::vector<QMessageBox*> OpenBoxes() const;

private:
    class Handle;

    // UI thread: puts one box on screen; dismissing it finishes `wait`.
    bool Open(const std::string& text, const std::string& title, MessageIcon icon, uint64_t wait);
    void Forget(QMessageBox* box);

    UiCallPump m_pump;
    std::shared_ptr<BoxWaits> m_waits;
    std::shared_ptr<IMessageBox> m_boxes;
    std::vector<std::unique_ptr<QMessageBox>> m_open;
};

} // namespace hl
