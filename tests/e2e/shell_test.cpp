#include <windows.h>

#include <gtest/gtest.h>

#include "res/resource.h"
#include "tests/e2e/dialog_template_win.h"
#include "tests/e2e/logger_fixture_win.h"

namespace velmar::test {
namespace {

struct Expected {
  int id;
  const wchar_t* className;
  const wchar_t* text;
  short x, y, cx, cy;
  DWORD requiredStyle;
};

constexpr DWORD kTab = WS_TABSTOP;
constexpr DWORD kEdit = ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP;
constexpr DWORD kList = CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP;

// The main dialog's controls in template order, which is also the tab order.
const Expected kMainControls[] = {
    {IDOK, L"Button", L"Start", 145, 166, 50, 14, BS_DEFPUSHBUTTON | kTab},
    {IDCANCEL, L"Button", L"Close", 253, 166, 50, 14, kTab},
    {-1, L"Static", L"Port:", 7, 10, 17, 8, SS_LEFT},
    {-1, L"Static", L"Baud rate:", 7, 28, 35, 8, SS_LEFT},
    {IDC_BAUD, L"ComboBox", L"", 49, 25, 48, 87, kList},
    {-1, L"Static", L"Measurement interval:", 7, 46, 73, 8, SS_LEFT},
    {IDC_INTERVAL, L"Edit", L"", 86, 44, 40, 14, kEdit},
    {-1, L"Static", L"Log file:", 7, 120, 26, 8, SS_LEFT},
    {IDC_LOGFILE, L"Edit", L"", 41, 119, 119, 14, kEdit},
    {IDC_COMMAND, L"Edit", L"", 21, 70, 271, 14, kEdit},
    {IDC_BROWSE, L"Button", L"Browse...", 163, 119, 50, 14, kTab},
    {IDC_STOP, L"Button", L"Stop", 199, 166, 50, 14, kTab | WS_DISABLED},
    {IDC_STATUS, L"Static", L"", 7, 145, 296, 8, SS_WORDELLIPSIS},
    {IDC_PORT, L"ComboBox", L"", 37, 7, 48, 30, kList | CBS_SORT},
    {-1, L"Static", L"ms", 128, 47, 10, 8, SS_LEFT},
    {IDC_LASER_COMMANDS, L"Button", L"Laser Commands", 39, 90, 71, 14, kTab},
    {IDC_TEC_COMMANDS, L"Button", L"TEC Commands", 119, 90, 71, 14, kTab},
    {IDC_COMBO_COMMANDS, L"Button", L"Combo Commands", 199, 90, 71, 14, kTab},
    {-1, L"Button", L"Instrument Commands", 7, 57, 296, 54, BS_GROUPBOX},
};

class ExecutableResources : public ::testing::Test {
 protected:
  void SetUp() override {
    module_ = LoadLibraryExW(LoggerExePath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(module_, nullptr);
  }
  void TearDown() override { FreeLibrary(module_); }
  HMODULE module_ = nullptr;
};

TEST_F(ExecutableResources, MainDialogTemplateMatchesTheLayout) {
  DialogTemplate dialog;
  ASSERT_TRUE(LoadDialogTemplate(module_, IDD_VELMARDATALOGGER_DIALOG, dialog));
  EXPECT_EQ(dialog.caption, L"Velmar Simple Data Logger");
  EXPECT_EQ(dialog.font, L"MS Shell Dlg");
  EXPECT_EQ(dialog.pointSize, 8);
  EXPECT_EQ(dialog.cx, 310);
  EXPECT_EQ(dialog.cy, 187);
  const DWORD wanted = WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | DS_MODALFRAME;
  EXPECT_EQ(dialog.style & wanted, wanted);
  EXPECT_EQ(dialog.style & (WS_MAXIMIZEBOX | WS_THICKFRAME), 0u);
  EXPECT_TRUE(dialog.exStyle & WS_EX_APPWINDOW);

  ASSERT_EQ(dialog.controls.size(), std::size(kMainControls));
  for (size_t i = 0; i < dialog.controls.size(); ++i) {
    const TemplateControl& got = dialog.controls[i];
    const Expected& want = kMainControls[i];
    SCOPED_TRACE("control " + std::to_string(i + 1));
    EXPECT_EQ(got.id, want.id);
    EXPECT_EQ(got.className, want.className);
    EXPECT_EQ(got.text, want.text);
    EXPECT_EQ(got.x, want.x);
    EXPECT_EQ(got.y, want.y);
    EXPECT_EQ(got.cx, want.cx);
    EXPECT_EQ(got.cy, want.cy);
    EXPECT_EQ(got.style & want.requiredStyle, want.requiredStyle);
    EXPECT_TRUE(got.style & WS_VISIBLE);
  }
  EXPECT_EQ(dialog.controls[4].style & CBS_SORT, 0u) << "the baud rates keep their own order";
  EXPECT_EQ(dialog.controls[9].style & ES_MULTILINE, 0u);
}

TEST_F(ExecutableResources, AboutBoxVersionRecordAndManifest) {
  DialogTemplate about;
  ASSERT_TRUE(LoadDialogTemplate(module_, IDD_ABOUTBOX, about));
  EXPECT_EQ(about.caption, L"About VelmarDataLogger");
  EXPECT_EQ(about.cx, 170);
  EXPECT_EQ(about.cy, 62);
  ASSERT_EQ(about.controls.size(), 4u);
  EXPECT_EQ(about.controls[1].text, L"VelmarDataLogger, Version 1.3");
  EXPECT_TRUE(about.controls[1].style & SS_NOPREFIX);
  EXPECT_EQ(about.controls[3].id, IDOK);
  EXPECT_EQ(about.controls[3].x, 113);
  EXPECT_EQ(about.controls[3].y, 41);

  wchar_t menuText[64] = {};
  LoadStringW(module_, IDS_ABOUTBOX, menuText, 64);
  EXPECT_STREQ(menuText, L"&About VelmarDataLogger...");

  const std::wstring exe = LoggerExePath();
  DWORD ignored = 0;
  std::vector<BYTE> version(GetFileVersionInfoSizeW(exe.c_str(), &ignored));
  ASSERT_FALSE(version.empty());
  ASSERT_TRUE(GetFileVersionInfoW(exe.c_str(), 0, static_cast<DWORD>(version.size()), version.data()));
  auto field = [&](const wchar_t* name) {
    wchar_t* value = nullptr;
    UINT length = 0;
    const std::wstring path = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
    return VerQueryValueW(version.data(), path.c_str(), reinterpret_cast<void**>(&value), &length) && value
               ? std::wstring(value)
               : std::wstring(L"<missing>");
  };
  EXPECT_EQ(field(L"FileVersion"), L"1.3");
  EXPECT_EQ(field(L"ProductVersion"), L"1.3");
  EXPECT_EQ(field(L"FileDescription"), L"VelmarDataLogger");
  EXPECT_EQ(field(L"InternalName"), L"VelmarDataLogger");
  EXPECT_EQ(field(L"ProductName"), L"VelmarDataLogger");
  EXPECT_EQ(field(L"OriginalFilename"), L"VelmarDataLogger.exe");

  HRSRC manifest = FindResourceW(module_, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
  ASSERT_NE(manifest, nullptr);
  const std::string text(static_cast<const char*>(LockResource(LoadResource(module_, manifest))),
                         SizeofResource(module_, manifest));
  EXPECT_NE(text.find("level=\"asInvoker\""), std::string::npos);
  EXPECT_NE(text.find("uiAccess=\"false\""), std::string::npos);
  EXPECT_NE(text.find("Microsoft.Windows.Common-Controls"), std::string::npos);
  EXPECT_NE(text.find("version=\"6.0.0.0\""), std::string::npos);
}

TEST_F(LoggerTest, OpensWithAllControlsInTabOrderStopDisabledAndFocusOnStart) {
  ASSERT_TRUE(Launch());
  std::vector<int> ids;
  for (HWND child = GetWindow(Dialog().Dialog(), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    ids.push_back(static_cast<short>(GetDlgCtrlID(child)));
  }
  std::vector<int> wanted;
  for (const Expected& control : kMainControls) wanted.push_back(control.id);
  EXPECT_EQ(ids, wanted);
  EXPECT_FALSE(Dialog().Enabled(IDC_STOP));
  EXPECT_TRUE(Dialog().Enabled(IDOK));
  EXPECT_EQ(Dialog().FocusedControl(), Dialog().Item(IDOK));
  EXPECT_EQ(Dialog().Text(IDC_STATUS), L"");

  const auto bauds = Dialog().ComboEntries(IDC_BAUD);
  std::vector<std::wstring> texts;
  for (const auto& entry : bauds) texts.push_back(entry.first);
  EXPECT_EQ(texts, (std::vector<std::wstring>{L"1200", L"2400", L"9600", L"19200", L"38400", L"57600", L"115200"}));
}

TEST_F(LoggerTest, RejectedIntervalsShowTheirMessageAndSelectTheField) {
  ASSERT_TRUE(Launch());
  struct Case {
    const wchar_t* text;
    const wchar_t* message;
  };
  const Case cases[] = {
      {L"abc", L"Enter an integer."},
      {L"", L"Enter an integer."},
      {L"99", L"Enter an integer between 100 and 10000000."},
      {L"10000001", L"Enter an integer between 100 and 10000000."},
      {L"4294967396", L"Enter an integer between 100 and 10000000."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Narrow(c.text));
    Dialog().SetText(IDC_INTERVAL, c.text);
    Dialog().Click(IDOK);
    ExpectMessage(c.message);
    EXPECT_TRUE(driver::WaitFor([&] { return Dialog().FocusedControl() == Dialog().Item(IDC_INTERVAL); }, Millis(2000)));
    const LRESULT selection = driver::SendBounded(Dialog().Item(IDC_INTERVAL), EM_GETSEL, 0, 0);
    EXPECT_EQ(LOWORD(selection), 0);
    EXPECT_EQ(HIWORD(selection), wcslen(c.text));
    EXPECT_FALSE(Dialog().Enabled(IDC_STOP));
  }
  // Accepted values pass the check and reach the port, which "<Auto>" cannot open.
  for (const wchar_t* accepted : {L"250ms", L"100", L"10000000"}) {
    Dialog().SetText(IDC_INTERVAL, accepted);
    Dialog().Click(IDOK);
    ExpectMessage(L"Cannot open communications port, aborting!");
  }
}

TEST_F(LoggerTest, SystemCommandsWithTheAboutIdOpenTheAboutBox) {
  ASSERT_TRUE(Launch());
  for (WPARAM command : {WPARAM{0x10}, WPARAM{0x13}}) {
    Dialog().SendSysCommand(command);
    HWND about = Dialog().WaitOtherDialog(Millis(5000));
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(Dialog().WindowCaption(about), L"About VelmarDataLogger");
    driver::DialogDriver::Answer(about, IDOK);
    EXPECT_TRUE(driver::WaitFor([&] { return !IsWindow(about); }, Millis(5000)));
  }
  EXPECT_TRUE(Responsive());
}

TEST_F(LoggerTest, CloseButtonEscapeAndCloseBoxEachEndTheProcess) {
  ASSERT_TRUE(Launch());
  EXPECT_TRUE(CloseLogger());

  driver::LoggerProcess second;
  ASSERT_TRUE(second.Start(LoggerExePath(), Millis(30000)));
  const driver::DialogDriver escape = second.Driver();
  PostMessageW(escape.Item(IDOK), WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_TRUE(second.WaitExit(Millis(10000)));

  driver::LoggerProcess third;
  ASSERT_TRUE(third.Start(LoggerExePath(), Millis(30000)));
  third.Driver().SendSysCommand(SC_CLOSE);
  EXPECT_TRUE(third.WaitExit(Millis(10000)));
}

}  // namespace
}  // namespace velmar::test

namespace velmar::test {
namespace {

// The file dialog's name box: the combo box of explorer-style dialogs, else the plain edit.
HWND FileNameBox(HWND fileDialog) {
  HWND box = GetDlgItem(fileDialog, 0x47C);
  return box ? box : GetDlgItem(fileDialog, 0x480);
}

std::wstring TextOf(HWND window) {
  wchar_t text[MAX_PATH] = {};
  driver::SendBounded(window, WM_GETTEXT, MAX_PATH, reinterpret_cast<LPARAM>(text));
  return text;
}

TEST_F(LoggerTest, BrowseStartsFromTheLastExchangedPathAndReplacesItOnlyWhenConfirmed) {
  ASSERT_TRUE(Launch());
  // The path is read before the interval is rejected, so the field keeps it.
  Dialog().SetText(IDC_LOGFILE, LogPath(L"typed.csv"));
  Dialog().SetText(IDC_INTERVAL, L"abc");
  Dialog().Click(IDOK);
  ExpectMessage(L"Enter an integer.");

  Dialog().Click(IDC_BROWSE);
  HWND files = Dialog().WaitOtherDialog(Millis(10000));
  ASSERT_NE(files, nullptr);
  ASSERT_NE(FileNameBox(files), nullptr);
  EXPECT_TRUE(driver::WaitFor([&] { return TextOf(FileNameBox(files)) == L"typed.csv"; }, Millis(5000)))
      << Narrow(TextOf(FileNameBox(files)));
  driver::DialogDriver::Answer(files, IDCANCEL);
  ASSERT_TRUE(driver::WaitFor([&] { return !IsWindow(files); }, Millis(5000)));
  EXPECT_EQ(Dialog().Text(IDC_LOGFILE), LogPath(L"typed.csv"));

  Dialog().Click(IDC_BROWSE);
  files = Dialog().WaitOtherDialog(Millis(10000));
  ASSERT_NE(files, nullptr);
  const std::wstring picked = LogPath(L"picked.csv");
  driver::SendBounded(FileNameBox(files), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(picked.c_str()));
  driver::DialogDriver::Answer(files, IDOK);
  ASSERT_TRUE(driver::WaitFor([&] { return !IsWindow(files); }, Millis(5000)));
  EXPECT_TRUE(driver::WaitFor([&] { return Dialog().Text(IDC_LOGFILE) == picked; }, Millis(5000)))
      << Narrow(Dialog().Text(IDC_LOGFILE));
}

}  // namespace
}  // namespace velmar::test
