// The process services a UI thread calls: global atoms, hot keys with their WM_HOTKEY, the
// clipboard viewer chain's refusal, and the initialisation calls with their repeat answers.
#include <windows.h>
#include <afxdisp.h>
#include <commctrl.h>
#include <ole2.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include "winapi/drivers/headless/HeadlessDriver.h"

#include <thread>
#include <vector>

namespace {

std::vector<MSG> g_hotKeys;

LRESULT CALLBACK hotKeyProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_HOTKEY) g_hotKeys.push_back(MSG{hwnd, message, wParam, lParam, 0, {0, 0}});
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

HWND makeWindow() {
  static bool registered = false;
  if (!registered) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = hotKeyProc;
    wc.lpszClassName = u"HotKeyTest";
    RegisterClassExW(&wc);
    registered = true;
  }
  return CreateWindowExW(0, u"HotKeyTest", u"", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr, nullptr,
                         nullptr);
}

void pumpAll() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
}

winapi::HeadlessDriver& headless() { return *winapi::HeadlessDriver::current(); }

void press(UINT modifierKey, UINT vk) {
  headless().key(modifierKey, true);
  headless().key(vk, true);
  headless().key(vk, false);
  headless().key(modifierKey, false);
}

}  // namespace

TEST(Atoms, StringAtomsAreCountedAndFoldCase) {
  ATOM a = GlobalAddAtomW(u"Lumetra.HotKey.Show");
  ASSERT_GE(a, MAXINTATOM);
  EXPECT_EQ(GlobalAddAtomW(u"LUMETRA.hotkey.show"), a) << "names compare ignoring case";
  EXPECT_EQ(GlobalFindAtomW(u"lumetra.hotkey.show"), a);
  WCHAR name[64];
  EXPECT_EQ(GlobalGetAtomNameW(a, name, 64), 19u);
  EXPECT_EQ(std::u16string(name), u"Lumetra.HotKey.Show") << "the first spelling stays";
  EXPECT_NE(GlobalAddAtomW(u"Other"), a);

  // Two references: the first delete keeps the atom.
  EXPECT_EQ(GlobalDeleteAtom(a), 0);
  EXPECT_EQ(GlobalFindAtomW(u"Lumetra.HotKey.Show"), a);
  EXPECT_EQ(GlobalDeleteAtom(a), 0);
  EXPECT_EQ(GlobalFindAtomW(u"Lumetra.HotKey.Show"), 0);
  EXPECT_EQ(GlobalDeleteAtom(a), a) << "a deleted atom cannot be deleted again";

  // Integer atoms need no entry.
  EXPECT_EQ(GlobalAddAtomW(u"#123"), 123);
  EXPECT_EQ(GlobalAddAtomW(MAKEINTATOM(77)), 77);
  EXPECT_EQ(GlobalAddAtomW(u"#0"), 0);
  EXPECT_EQ(GlobalAddAtomW(u"#49152"), 0);
  EXPECT_EQ(GlobalAddAtomW(u""), 0);
  EXPECT_EQ(GlobalAddAtomW(std::u16string(256, u'a').c_str()), 0);
  EXPECT_NE(GlobalAddAtomW(std::u16string(255, u'a').c_str()), 0);
}

TEST(HotKeys, PressesBecomeWmHotKeyOnlyForTheirCombination) {
  HWND hwnd = makeWindow();
  g_hotKeys.clear();
  ASSERT_TRUE(RegisterHotKey(hwnd, 0xC001, MOD_CONTROL | MOD_NOREPEAT, 'K'));
  SetLastError(0);
  EXPECT_FALSE(RegisterHotKey(hwnd, 0xC002, MOD_CONTROL, 'K'));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_HOTKEY_ALREADY_REGISTERED));

  press(VK_CONTROL, 'K');
  press(VK_SHIFT, 'K');  // another combination types normally
  pumpAll();
  ASSERT_EQ(g_hotKeys.size(), 1u);
  EXPECT_EQ(g_hotKeys[0].hwnd, hwnd);
  EXPECT_EQ(g_hotKeys[0].wParam, 0xC001u);
  EXPECT_EQ(g_hotKeys[0].lParam, MAKELPARAM(MOD_CONTROL, 'K'));

  // Held down, the key repeats; MOD_NOREPEAT keeps only the first press.
  g_hotKeys.clear();
  headless().key(VK_CONTROL, true);
  headless().key('K', true);
  headless().key('K', true);
  headless().key('K', false);
  headless().key(VK_CONTROL, false);
  pumpAll();
  EXPECT_EQ(g_hotKeys.size(), 1u);

  EXPECT_TRUE(UnregisterHotKey(hwnd, 0xC001));
  EXPECT_FALSE(UnregisterHotKey(hwnd, 0xC001));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_HOTKEY_NOT_REGISTERED));
  EXPECT_TRUE(headless().grabbedHotKeys().empty());

  // A window that goes away gives its keys back.
  ASSERT_TRUE(RegisterHotKey(hwnd, 1, MOD_ALT, VK_F12));
  DestroyWindow(hwnd);
  EXPECT_TRUE(headless().grabbedHotKeys().empty());
}

TEST(HotKeys, RefusedWhenHeldElsewhereOrForAnotherThreadsWindow) {
  HWND hwnd = makeWindow();
  headless().setHotKeyHeld(MOD_CONTROL | MOD_ALT, 'P', true);
  SetLastError(0);
  EXPECT_FALSE(RegisterHotKey(hwnd, 1, MOD_CONTROL | MOD_ALT, 'P'));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_HOTKEY_ALREADY_REGISTERED));
  headless().setHotKeyHeld(MOD_CONTROL | MOD_ALT, 'P', false);

  EXPECT_FALSE(RegisterHotKey(hwnd, 1, 0x100, 'P')) << "unknown modifier";
  DWORD error = 0;
  BOOL registered = TRUE;
  std::thread other([&] {
    registered = RegisterHotKey(hwnd, 2, MOD_WIN, 'P');
    error = GetLastError();
  });
  other.join();
  EXPECT_FALSE(registered);
  EXPECT_EQ(error, static_cast<DWORD>(ERROR_WINDOW_OF_OTHER_THREAD));

  // Without a window the thread itself gets the message.
  ASSERT_TRUE(RegisterHotKey(nullptr, 3, MOD_SHIFT, VK_F1));
  press(VK_SHIFT, VK_F1);
  MSG msg{};
  EXPECT_TRUE(PeekMessageW(&msg, nullptr, WM_HOTKEY, WM_HOTKEY, PM_REMOVE));
  EXPECT_EQ(msg.hwnd, nullptr);
  EXPECT_EQ(msg.wParam, 3u);
  EXPECT_TRUE(UnregisterHotKey(nullptr, 3));
  DestroyWindow(hwnd);
}

TEST(ClipboardChain, JoiningFails) {
  HWND hwnd = makeWindow();
  SetLastError(0);
  EXPECT_EQ(SetClipboardViewer(hwnd), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CALL_NOT_IMPLEMENTED));
  EXPECT_FALSE(ChangeClipboardChain(hwnd, nullptr));
  DestroyWindow(hwnd);
}

TEST(ThreadInitialisation, RepeatCallsAnswerAsWindowsDoes) {
  INITCOMMONCONTROLSEX icc{sizeof icc, 0xFF};
  EXPECT_TRUE(InitCommonControlsEx(&icc));
  INITCOMMONCONTROLSEX wrong{4, 0xFF};
  EXPECT_FALSE(InitCommonControlsEx(&wrong));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));

  // Each thread counts its own OLE initialisations.
  HRESULT first = E_FAIL, second = E_FAIL;
  HRESULT created = E_FAIL, afterwards = E_FAIL;
  std::thread worker([&] {
    first = OleInitialize(nullptr);
    second = OleInitialize(nullptr);
    // OLE starts COM on the thread too, until its last uninitialisation.
    void* object = nullptr;
    created = CoCreateInstance(IID_IUnknown, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &object);
    OleUninitialize();
    OleUninitialize();
    afterwards = CoCreateInstance(IID_IUnknown, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &object);
  });
  worker.join();
  EXPECT_EQ(first, S_OK);
  EXPECT_EQ(second, S_FALSE);
  EXPECT_EQ(created, REGDB_E_CLASSNOTREG) << "an unknown class, not a thread without COM";
  EXPECT_EQ(afterwards, CO_E_NOTINITIALIZED);
  EXPECT_EQ(OleInitialize(reinterpret_cast<LPVOID>(1)), E_INVALIDARG);
  EXPECT_TRUE(AfxOleInit());
  EXPECT_EQ(OleInitialize(nullptr), S_FALSE);
  OleUninitialize();
  OleUninitialize();
  AfxEnableControlContainer();

  // The first security settings of the process hold.
  EXPECT_EQ(CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_PKT, RPC_C_IMP_LEVEL_IMPERSONATE,
                                 nullptr, EOAC_NONE, nullptr),
            S_OK);
  EXPECT_EQ(CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_PKT, RPC_C_IMP_LEVEL_IMPERSONATE,
                                 nullptr, EOAC_NONE, nullptr),
            RPC_E_TOO_LATE);

  EXPECT_TRUE(SetProcessWorkingSetSize(GetCurrentProcess(), static_cast<SIZE_T>(-1), static_cast<SIZE_T>(-1)));
  EXPECT_FALSE(SetProcessWorkingSetSize(GetCurrentProcess(), 1 << 20, 4 << 20));
}
