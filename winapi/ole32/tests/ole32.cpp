// Conformance of COM start-up, object creation and the task allocator.
#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <thread>

TEST(Com, ObjectsNeedCoInitializeOnTheirThread) {
  std::thread([] {
    const CLSID unknown = {0x56FDF344, 0xFD6D, 0x11D0, {0x95, 0x8A, 0x00, 0x60, 0x97, 0xC9, 0xA0, 0x90}};
    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(CoCreateInstance(unknown, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &object), CO_E_NOTINITIALIZED);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(CoInitialize(nullptr), S_OK);
    EXPECT_EQ(CoInitialize(nullptr), S_FALSE) << "a second start on the same thread";
    EXPECT_EQ(CoCreateInstance(unknown, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &object), REGDB_E_CLASSNOTREG);
    CoUninitialize();
    CoUninitialize();
    EXPECT_EQ(CoCreateInstance(unknown, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &object), CO_E_NOTINITIALIZED);
  }).join();
}

TEST(Com, TaskMemoryKeepsItsSize) {
  IMalloc* malloc = nullptr;
  ASSERT_EQ(CoGetMalloc(1, &malloc), S_OK);
  void* block = malloc->Alloc(10);
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(malloc->GetSize(block), 10u);
  block = CoTaskMemRealloc(block, 1000);
  EXPECT_EQ(malloc->GetSize(block), 1000u);
  CoTaskMemFree(block);
  CoTaskMemFree(nullptr);
  malloc->Release();
}
