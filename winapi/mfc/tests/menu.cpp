// CMenu: the object owns the menu it holds until it gives it away.
#include <afxwin.h>

#include <gtest/gtest.h>

TEST(CMenu, DestroysTheMenuItHoldsAndNotOneGivenAway) {
  HMENU kept = nullptr;
  HMENU dropped = nullptr;
  {
    CMenu a;
    ASSERT_TRUE(a.CreatePopupMenu());
    HMENU extra = CreatePopupMenu();
    EXPECT_FALSE(a.Attach(extra)) << "a held menu is never dropped for another";
    DestroyMenu(extra);
    ASSERT_TRUE(a.AppendMenu(MF_STRING, 7, u"Seven"));
    EXPECT_EQ(a.GetMenuItemID(0), 7u);
    dropped = a.m_hMenu;
    CMenu b;
    ASSERT_TRUE(b.CreateMenu());
    kept = b.Detach();
    EXPECT_EQ(b.m_hMenu, nullptr);
  }
  EXPECT_FALSE(IsMenu(dropped));
  EXPECT_TRUE(IsMenu(kept));
  CMenu c;
  EXPECT_TRUE(c.Attach(kept));
  EXPECT_FALSE(c.Attach(kept)) << "one object holds one menu";
  EXPECT_TRUE(c.DestroyMenu());
  EXPECT_FALSE(c.DestroyMenu());
  EXPECT_FALSE(IsMenu(kept));
}
