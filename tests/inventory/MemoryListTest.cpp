#include "inventory/MemoryList.h"

#include <gtest/gtest.h>

namespace hl {
namespace {

TEST(MemoryList, InsertsAtTopAndRemovesByIndex) {
    MemoryList list;
    for (const char* name : {"a", "b", "c"}) {
        EXPECT_EQ(list.InsertItem(name, kNoImage), 0);
    }
    EXPECT_TRUE(list.SetItemText(2, kColState, "bottom"));
    EXPECT_FALSE(list.SetItemText(3, 0, "x"));
    EXPECT_FALSE(list.SetItemText(0, kColumnCount, "x"));
    EXPECT_EQ(list.GetItemText(0, 0), "c");
    EXPECT_EQ(list.GetItemText(2, kColState), "bottom");
    EXPECT_EQ(list.GetItemText(9, 0), "");

    EXPECT_EQ(list.GetFirstSelected(), -1);
    list.Select(2);
    list.Select(1);
    EXPECT_EQ(list.GetFirstSelected(), 1);

    EXPECT_TRUE(list.DeleteItem(1)); // "b" goes, "a" moves up
    EXPECT_FALSE(list.DeleteItem(2));
    EXPECT_EQ(list.GetItemCount(), 2);
    EXPECT_EQ(list.GetItemText(1, 0), "a");
    EXPECT_EQ(list.GetFirstSelected(), 1);

    EXPECT_TRUE(list.DeleteAllItems());
    EXPECT_EQ(list.GetItemCount(), 0);
}

} // namespace
} // namespace hl
