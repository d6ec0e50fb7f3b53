// Conformance of the taskbar list: a system without a taskbar has no such class.
#include <windows.h>
#include <objbase.h>
#include <shobjidl.h>

#include <gtest/gtest.h>

TEST(TaskbarList, ClassIsNotRegistered) {
  ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
  ITaskbarList3* list = reinterpret_cast<ITaskbarList3*>(0x1);
  EXPECT_EQ(
      CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_ALL, IID_ITaskbarList3, reinterpret_cast<void**>(&list)),
      REGDB_E_CLASSNOTREG);
  EXPECT_EQ(list, nullptr) << "the out pointer is cleared on failure";
  CoUninitialize();
}
