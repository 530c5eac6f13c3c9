#pragma once

#include "inventory/ListOps.h"
#include "workers/DetachableTarget.h"

#include <memory>

namespace hl {

// The handle through which workers reach the connection list. Every operation goes to the
// target until the owner calls Detach() (the main window does so when it closes); from then on
// every operation fails at once: -1, false or empty text. Detach() never waits; an operation
// already under way finishes on the target, which stays alive until it returns, so a target
// that forwards to a window must itself fail once that window is gone.
class DetachableList : public IListOps {
public:
    explicit DetachableList(std::shared_ptr<IListOps> target) : m_target(std::move(target)) {}

    void Detach() { m_target.Detach(); }
    bool Attached() const { return m_target.Attached(); }

    int InsertItem(const std::string& text, int image) override;
    bool SetItemText(int row, int column, const std::string& text) override;
    bool DeleteAllItems() override;
    bool DeleteItem(int row) override;
    int GetFirstSelected() override;
    std::string GetItemText(int row, int column) override;
    int GetItemCount() override;
    int DeleteTcpRow(int row, const TcpRowKey& key) override;
    int InsertFilledItem(const RowTexts& cells, int image) override;

private:
    DetachableTarget<IListOps> m_target;
};

} // namespace hl
