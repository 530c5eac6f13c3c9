#pragma once

// Test doubles shared by the worker tests: a list that records every operation, a message box
// that blocks until the test lets it go, and a system whose table reads can be held at a gate.

#include "inventory/MemoryList.h"
#include "platform/MessageBox.h"
#include "platform/fake/FakeSystem.h"
#include "workers/WorkerThread.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace hl::test {

using namespace std::chrono_literals;

inline constexpr auto kWait = 60s; // upper bound for anything a test waits for

// Waits, bounded, until a condition holds.
inline bool Eventually(const std::function<bool()>& condition,
                       std::chrono::milliseconds timeout = kWait) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

inline bool AllWorkersEnded() {
    return CWorkerThread::WaitUntilNoneLive(kWait);
}

// A MemoryList that logs every operation with the thread that made it. Close() makes it act as
// the window's list handle once the window is gone: every operation fails at once, unlogged.
class RecordingList : public IListOps {
public:
    enum class Op {
        Insert,
        SetText,
        DeleteAll,
        Delete,
        FirstSelected,
        GetText,
        Count,
        DeleteTcp,
        Replace
    };
    struct Entry {
        std::thread::id thread;
        Op op;
        int row = -1;
        int column = -1;
        std::string text;
    };

    int InsertItem(const std::string& text, int image) override {
        if (m_closed) {
            return -1;
        }
        Log(Op::Insert, 0, 0, text);
        return m_list.InsertItem(text, image);
    }
    bool SetItemText(int row, int column, const std::string& text) override {
        if (m_closed) {
            return false;
        }
        Log(Op::SetText, row, column, text);
        return m_list.SetItemText(row, column, text);
    }
    bool DeleteAllItems() override {
        if (m_closed) {
            return false;
        }
        Log(Op::DeleteAll);
        return m_list.DeleteAllItems();
    }
    bool DeleteItem(int row) override {
        if (m_closed) {
            return false;
        }
        Log(Op::Delete, row);
        return m_list.DeleteItem(row);
    }
    int GetFirstSelected() override {
        if (m_closed) {
            return -1;
        }
        Log(Op::FirstSelected);
        return m_list.GetFirstSelected();
    }
    std::string GetItemText(int row, int column) override {
        if (m_closed) {
            return {};
        }
        Log(Op::GetText, row, column);
        return m_list.GetItemText(row, column);
    }
    int GetItemCount() override {
        if (m_closed) {
            return 0;
        }
        Log(Op::Count);
        return m_list.GetItemCount();
    }
    int DeleteTcpRow(int row, const TcpRowKey& key) override {
        if (m_closed) {
            return -1;
        }
        Log(Op::DeleteTcp, row, -1, key.remoteAddress + ":" + key.localPort);
        return m_list.DeleteTcpRow(row, key);
    }
    // Logged with the number of rows handed over.
    bool ReplaceAllItems(ListRows& rows) override {
        if (m_closed) {
            return false;
        }
        Log(Op::Replace, static_cast<int>(rows.size()));
        return m_list.ReplaceAllItems(rows);
    }
    bool Alive() override { return !m_closed; }

    std::vector<Entry> Log() const {
        std::lock_guard lock(m_mutex);
        return m_log;
    }
    size_t Count(Op op) const {
        std::lock_guard lock(m_mutex);
        size_t n = 0;
        for (const Entry& e : m_log) {
            n += e.op == op ? 1 : 0;
        }
        return n;
    }
    MemoryList& List() { return m_list; }
    void Close() { m_closed = true; }

private:
    void Log(Op op, int row = -1, int column = -1, const std::string& text = {}) {
        std::lock_guard lock(m_mutex);
        m_log.push_back({std::this_thread::get_id(), op, row, column, text});
    }

    mutable std::mutex m_mutex;
    std::vector<Entry> m_log;
    MemoryList m_list;
    std::atomic<bool> m_closed{false};
};

// Records every box and keeps it on "screen" until the test dismisses it.
class BlockingMessageBox : public IMessageBox {
public:
    struct Box {
        std::string text;
        std::string title;
        MessageIcon icon;
    };

    bool Show(const std::string& text, const std::string& title, MessageIcon icon) override {
        std::unique_lock lock(m_mutex);
        m_boxes.push_back({text, title, icon});
        const size_t mine = m_boxes.size();
        ++m_open;
        m_changed.notify_all();
        // Bounded: a test that forgets a box fails by its assertions, not by hanging.
        const bool dismissed =
            m_changed.wait_for(lock, 2 * kWait, [&] { return m_dismissed >= mine; });
        --m_open;
        m_changed.notify_all();
        return dismissed && m_answer;
    }

    // Dismisses the oldest box still waiting to be dismissed.
    void DismissOne() {
        std::lock_guard lock(m_mutex);
        ++m_dismissed;
        m_changed.notify_all();
    }
    void SetAnswer(bool answer) {
        std::lock_guard lock(m_mutex);
        m_answer = answer;
    }
    // Waits until `count` boxes have been shown in all.
    bool WaitForBoxes(size_t count, std::chrono::milliseconds timeout = kWait) {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, timeout, [&] { return m_boxes.size() >= count; });
    }
    std::vector<Box> Boxes() const {
        std::lock_guard lock(m_mutex);
        return m_boxes;
    }
    size_t OpenBoxes() const {
        std::lock_guard lock(m_mutex);
        return m_open;
    }

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<Box> m_boxes;
    size_t m_dismissed = 0;
    size_t m_open = 0;
    bool m_answer = true;
};

// A gate that table reads wait at while it is closed.
class Gate {
public:
    void Close() {
        std::lock_guard lock(m_mutex);
        m_open = false;
    }
    void Open() {
        std::lock_guard lock(m_mutex);
        m_open = true;
        m_changed.notify_all();
    }
    void Pass() {
        std::unique_lock lock(m_mutex);
        ++m_arrived;
        m_changed.notify_all();
        m_changed.wait_for(lock, 2 * kWait, [&] { return m_open; });
    }
    bool WaitForArrivals(int count) {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, kWait, [&] { return m_arrived >= count; });
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_open = true;
    int m_arrived = 0;
};

// A FakeSystem whose views wait at a gate before every table read and count how many views
// were opened (one per refresh or close).
class GatedSystem : public ISystem {
public:
    FakeSystem fake;
    Gate gate;

    SystemView OpenView() override {
        {
            std::lock_guard lock(m_mutex);
            ++m_opened;
        }
        SystemView view = fake.OpenView();
        view.ipHelper = std::make_unique<View>(fake.ip, gate);
        return view;
    }
    int Opened() const {
        std::lock_guard lock(m_mutex);
        return m_opened;
    }

private:
    class View : public IIpHelper {
    public:
        View(IIpHelper& target, Gate& gate) : m_target(target), m_gate(gate) {}
        uint32_t GetTcpTable(std::vector<TcpRow>& rows) override {
            m_gate.Pass();
            return m_target.GetTcpTable(rows);
        }
        uint32_t GetUdpTable(std::vector<UdpRow>& rows) override {
            m_gate.Pass();
            return m_target.GetUdpTable(rows);
        }
        uint32_t GetTcpExTable(std::vector<TcpExRow>& rows) override {
            m_gate.Pass();
            return m_target.GetTcpExTable(rows);
        }
        uint32_t GetUdpExTable(std::vector<UdpExRow>& rows) override {
            m_gate.Pass();
            return m_target.GetUdpExTable(rows);
        }
        uint32_t SetTcpEntry(const TcpRow& row) override { return m_target.SetTcpEntry(row); }
        uint32_t GetTcp6Table(std::vector<Tcp6Row>& rows) override {
            m_gate.Pass();
            return m_target.GetTcp6Table(rows);
        }
        uint32_t GetUdp6Table(std::vector<Udp6Row>& rows) override {
            m_gate.Pass();
            return m_target.GetUdp6Table(rows);
        }
        uint32_t GetTcp6ExTable(std::vector<Tcp6ExRow>& rows) override {
            m_gate.Pass();
            return m_target.GetTcp6ExTable(rows);
        }
        uint32_t GetUdp6ExTable(std::vector<Udp6ExRow>& rows) override {
            m_gate.Pass();
            return m_target.GetUdp6ExTable(rows);
        }
        uint32_t SetTcp6Entry(const Tcp6Row& row) override { return m_target.SetTcp6Entry(row); }

    private:
        IIpHelper& m_target;
        Gate& m_gate;
    };

    mutable std::mutex m_mutex;
    int m_opened = 0;
};

} // namespace hl::test
