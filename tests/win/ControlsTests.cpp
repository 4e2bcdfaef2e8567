#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <chrono>
#include <functional>
#include <thread>

#include "TestSupport.h"
#include "core/Errors.h"
#include "framework/Application.h"
#include "framework/ComCtrls.h"
#include "framework/Form.h"
#include "framework/ImgList.h"
#include "framework/StdCtrls.h"
#include "framework/WinText.h"

using namespace kelo;
using namespace kelo::win;

namespace {

constexpr wchar_t kTitle[] = L"KeloControlsTest";

// A form description written with "; " between lines, to keep one object on a line.
std::string Lines(std::string text) {
    for (size_t at; (at = text.find("; ")) != std::string::npos;) text.replace(at, 2, "\n");
    return text;
}

// A form built from a description; errors shown in the standard error box fail the test.
struct TestForm {
    explicit TestForm(const std::string& children, std::function<void(TForm&)> beforeLoad = {}) {
        Application().Initialize(GetModuleHandleW(nullptr));
        Application().SetTitle(kTitle);
        form = new TForm(nullptr);
        if (beforeLoad) beforeLoad(*form);
        form->LoadFromDescription(
            Lines("object TestForm: TForm; Width = 520; Height = 400; " + children + "; end"));
    }
    ~TestForm() {
        delete form;
        EXPECT_EQ(closer.Count(), 0) << Narrow(closer.LastText());
    }
    template <class T>
    T* Get(const char* name) {
        T* control = form->Find<T>(name);
        EXPECT_NE(control, nullptr) << name;
        return control;
    }
    template <class T>
    HWND Window(const char* name) {
        T* control = Get<T>(name);
        return control ? control->Handle() : nullptr;
    }
    test::MessageBoxCloser closer{kTitle};
    TForm* form = nullptr;
};

std::wstring ClassOf(HWND hwnd) {
    wchar_t name[64] = {};
    GetClassNameW(hwnd, name, 64);
    return name;
}

LONG_PTR StyleOf(HWND hwnd) { return GetWindowLongPtrW(hwnd, GWL_STYLE); }

}  // namespace

TEST(Controls, DescriptionsMakeTheSystemsControls) {
    TestForm t(
        "object Edit1: TEdit; Text = '分钟'; end; "
        "object Memo1: TMemo; ReadOnly = True; ScrollBars = ssBoth; "
        "  Lines.Strings = ('第一行' 'second'); end; "
        "object Button1: TButton; end; "
        "object ImageList1: TImageList; end; "
        "object Tree1: TTreeView; Images = ImageList1; Indent = 21; ReadOnly = True; "
        "  ShowRoot = False; ShowLines = False; end; "
        "object List1: TListView; end; "
        "object Status1: TStatusBar; end; "
        "object Picker1: TDateTimePicker; Kind = dtkDate; DateFormat = dfLong; end; "
        "object UpDown1: TUpDown; end");
    EXPECT_EQ(ClassOf(t.Window<TEdit>("Edit1")), L"Edit");
    EXPECT_EQ(ClassOf(t.Window<TButton>("Button1")), L"Button");
    EXPECT_EQ(ClassOf(t.Window<TTreeView>("Tree1")), L"SysTreeView32");
    EXPECT_EQ(ClassOf(t.Window<TListView>("List1")), L"SysListView32");
    EXPECT_EQ(ClassOf(t.Window<TStatusBar>("Status1")), L"msctls_statusbar32");
    EXPECT_EQ(ClassOf(t.Window<TDateTimePicker>("Picker1")), L"SysDateTimePick32");
    EXPECT_EQ(ClassOf(t.Window<TUpDown>("UpDown1")), L"msctls_updown32");
    EXPECT_TRUE(t.Get<TEdit>("Edit1")->InheritsFrom("TCustomEdit"));
    EXPECT_TRUE(t.Get<TMemo>("Memo1")->InheritsFrom("TCustomEdit"));

    // Edits: the text follows what is typed; the memo's lines and scroll bars.
    EXPECT_EQ(test::WindowText(t.Window<TEdit>("Edit1")), L"分钟");
    SetWindowTextW(t.Window<TEdit>("Edit1"), L"42");
    EXPECT_EQ(t.Get<TEdit>("Edit1")->Text(), L"42");
    HWND memo = t.Window<TMemo>("Memo1");
    EXPECT_EQ(StyleOf(memo) & (ES_MULTILINE | ES_READONLY | WS_HSCROLL | WS_VSCROLL),
              ES_MULTILINE | ES_READONLY | WS_HSCROLL | WS_VSCROLL);
    EXPECT_EQ(test::WindowText(memo), L"第一行\r\nsecond");

    // Tree view: settings, image list and items.
    TTreeView* tree = t.Get<TTreeView>("Tree1");
    EXPECT_EQ(StyleOf(tree->Handle()) & (TVS_EDITLABELS | TVS_LINESATROOT | TVS_HASLINES), 0);
    EXPECT_EQ(TreeView_GetIndent(tree->Handle()), 21u);
    EXPECT_EQ(TreeView_GetImageList(tree->Handle(), TVSIL_NORMAL),
              t.Get<TImageList>("ImageList1")->Handle());
    HTREEITEM general = tree->Items().AddTopLevel(L"常规", 0);
    tree->Items().AddTopLevel(L"拖放窗口", 1);
    EXPECT_EQ(tree->Items().Count(), 2);
    EXPECT_EQ(tree->ItemText(general), L"常规");

    // Date picker: long date format, the date set and read back.
    TDateTimePicker* picker = t.Get<TDateTimePicker>("Picker1");
    EXPECT_TRUE(StyleOf(picker->Handle()) & DTS_LONGDATEFORMAT);
    picker->SetDateTime(SYSTEMTIME{2026, 12, 0, 7, 0, 0, 0, 0});
    SYSTEMTIME shown{};
    EXPECT_EQ(DateTime_GetSystemtime(picker->Handle(), &shown), GDT_VALID);
    EXPECT_EQ(shown.wYear * 10000 + shown.wMonth * 100 + shown.wDay, 20261207);
    EXPECT_EQ(picker->DateTime().wDay, 7);
}

TEST(Controls, UnknownPropertiesAreErrors) {
    Application().Initialize(GetModuleHandleW(nullptr));
    for (const char* wrong : {"object B: TButton; Captoin = 'x'; end",
                              "object L: TListView; Columns = <; item; Wdith = 3; end>; end",
                              "object S: TStatusBar; Panels = <; item; Bevel = pbSunken; end>; end"}) {
        auto* form = new TForm(nullptr);
        EXPECT_THROW(form->LoadFromDescription(Lines(std::string("object F: TForm; ") + wrong + "; end")),
                     KeloError)
            << wrong;
        delete form;
    }
}

TEST(Controls, VirtualListViewAnswersOneHundredThousandRowsOnDemand) {
    TestForm t(
        "object ListView1: TListView; Width = 400; Height = 241; Align = alTop; "
        "  Columns = <; item; Caption = '开始时间'; Width = 130; end; "
        "    item; Caption = '时长'; Width = 75; end>; "
        "  GridLines = True; MultiSelect = True; ReadOnly = True; RowSelect = True; "
        "  FlatScrollBars = True; ViewStyle = vsReport; OwnerData = True; end");
    TListView* list = t.Get<TListView>("ListView1");
    HWND hwnd = list->Handle();
    EXPECT_EQ(StyleOf(hwnd) & (LVS_TYPEMASK | LVS_OWNERDATA | LVS_SINGLESEL | LVS_EDITLABELS),
              LVS_REPORT | LVS_OWNERDATA);
    EXPECT_EQ(ListView_GetExtendedListViewStyle(hwnd) & (LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT),
              static_cast<DWORD>(LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT));
    EXPECT_EQ(Header_GetItemCount(ListView_GetHeader(hwnd)), 2);
    EXPECT_EQ(ListView_GetColumnWidth(hwnd, 0), 130);
    EXPECT_EQ(ListView_GetColumnWidth(hwnd, 1), 75);

    int asked = 0;
    list->OnGetCell = [&](int row, int column) {
        ++asked;
        return std::to_wstring(row) + L":" + std::to_wstring(column);
    };
    t.form->Show();
    const auto start = std::chrono::steady_clock::now();
    list->SetItemCount(100000);
    list->EnsureVisible(99999);
    UpdateWindow(hwnd);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_EQ(ListView_GetItemCount(hwnd), 100000);
    EXPECT_GT(list->TopIndex(), 99000);
    {
        // Shown at the bottom, the last row stays whole in view when the list gets shorter.
        RECT row{}, client{};
        ListView_GetItemRect(hwnd, 99999, &row, LVIR_BOUNDS);
        list->SetHeight(list->Height() - (row.bottom - row.top) - 1);
        ListView_GetItemRect(hwnd, 99999, &row, LVIR_BOUNDS);
        GetClientRect(hwnd, &client);
        EXPECT_LE(row.bottom, client.bottom);
    }
    EXPECT_GT(asked, 0);
    EXPECT_LT(asked, 2000);  // only the rows on screen were asked for
    wchar_t text[64] = {};
    ListView_GetItemText(hwnd, 99999, 1, text, 64);
    EXPECT_STREQ(text, L"99999:1");
    ListView_GetItemText(hwnd, 0, 0, text, 64);
    EXPECT_STREQ(text, L"0:0");
    list->SetItemIndex(12345);
    EXPECT_EQ(list->ItemIndex(), 12345);
}

TEST(Controls, StatusBarPanelsSitAtTheBottom) {
    TestForm t(
        "object StatusBar1: TStatusBar; Panels = <; item; Width = 100; end; "
        "  item; Bevel = pbNone; Width = 150; end; item; Bevel = pbRaised; Width = 50; end>; "
        "  SimplePanel = False; end");
    TStatusBar* bar = t.Get<TStatusBar>("StatusBar1");
    int edges[8] = {};
    ASSERT_EQ(SendMessageW(bar->Handle(), SB_GETPARTS, 8, reinterpret_cast<LPARAM>(edges)), 3);
    EXPECT_EQ(edges[0], 100);
    EXPECT_EQ(edges[1], 250);
    EXPECT_EQ(edges[2], -1);  // the last panel reaches the right edge
    bar->SetPanelText(1, L"在线");
    wchar_t text[32] = {};
    const LRESULT info = SendMessageW(bar->Handle(), SB_GETTEXTW, 1, reinterpret_cast<LPARAM>(text));
    EXPECT_STREQ(text, L"在线");
    EXPECT_TRUE(HIWORD(info) & SBT_NOBORDERS);
    EXPECT_EQ(bar->Top() + bar->Height(), t.form->ClientHeight());
    EXPECT_EQ(bar->Width(), t.form->ClientWidth());
}

TEST(Controls, UpDownJoinsItsEditDescribedAfterIt) {
    TestForm t(
        "object UpDown1: TUpDown; Left = 100; Associate = Edit1; Min = 1; Max = 60; "
        "  Position = 5; Wrap = False; end; "
        "object Edit1: TEdit; Left = 20; Width = 80; Text = '0'; end");
    HWND upDown = t.Window<TUpDown>("UpDown1");
    HWND edit = t.Window<TEdit>("Edit1");
    EXPECT_EQ(reinterpret_cast<HWND>(SendMessageW(upDown, UDM_GETBUDDY, 0, 0)), edit);
    int low = 0, high = 0;
    SendMessageW(upDown, UDM_GETRANGE32, reinterpret_cast<WPARAM>(&low), reinterpret_cast<LPARAM>(&high));
    EXPECT_EQ(low, 1);
    EXPECT_EQ(high, 60);
    EXPECT_EQ(StyleOf(upDown) & (UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_ARROWKEYS | UDS_WRAP),
              UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_ARROWKEYS);
    EXPECT_EQ(test::WindowText(edit), L"5");
    SetWindowTextW(edit, L"17");
    EXPECT_EQ(t.Get<TUpDown>("UpDown1")->Position(), 17);
}

TEST(Controls, CheckBoxKeepsItsMarkAndReportsAClickOnce) {
    int clicks = 0;
    TestForm t("object CheckBox1: TCheckBox; Caption = '开机时自动运行'; Checked = True; "
               "  OnClick = CheckClick; end",
               [&](TForm& f) { f.RegisterHandler("CheckClick", [&](TComponent*) { ++clicks; }); });
    TCheckBox* box = t.Get<TCheckBox>("CheckBox1");
    EXPECT_EQ(SendMessageW(box->Handle(), BM_GETCHECK, 0, 0), BST_CHECKED);
    SendMessageW(box->Handle(), BM_CLICK, 0, 0);
    EXPECT_FALSE(box->Checked());
    EXPECT_EQ(clicks, 1);
    box->SetChecked(true);
    EXPECT_EQ(SendMessageW(box->Handle(), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(clicks, 1);
}

TEST(Controls, ButtonWithModalResultEndsTheModalLoop) {
    int clicks = 0;
    TestForm t("BorderStyle = bsDialog; object Edit1: TEdit; end; "
               "object OkButton: TButton; Top = 40; Caption = '确定'; Default = True; "
               "  ModalResult = 1; OnClick = OkClick; end",
               [&](TForm& f) { f.RegisterHandler("OkClick", [&](TComponent*) { ++clicks; }); });
    HWND button = t.Window<TButton>("OkButton");
    HWND edit = t.Window<TEdit>("Edit1");
    HWND form = t.form->Handle();
    EXPECT_EQ(GetDlgCtrlID(button), IDOK);
    EXPECT_EQ(StyleOf(button) & 0xF, BS_DEFPUSHBUTTON);
    // Runs the dialog while another thread sends it input; closes it if the input is lost.
    auto runWith = [&](std::function<void()> input) {
        HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        std::thread sender([&] {
            Sleep(200);
            input();
            if (WaitForSingleObject(done, 5000) == WAIT_TIMEOUT) PostMessageW(form, WM_CLOSE, 0, 0);
        });
        const int result = t.form->ShowModal();
        SetEvent(done);
        sender.join();
        CloseHandle(done);
        return result;
    };
    EXPECT_EQ(runWith([&] { PostMessageW(button, BM_CLICK, 0, 0); }), 1);
    EXPECT_EQ(clicks, 1);
    EXPECT_FALSE(IsWindowVisible(form));
    // Enter in the edit clicks the default button.
    EXPECT_EQ(runWith([&] { PostMessageW(edit, WM_KEYDOWN, VK_RETURN, 1); }), 1);
    EXPECT_EQ(clicks, 2);
}

TEST(Controls, GroupBoxHoldsItsChildrenAndPaintsItsLabels) {
    TestForm t(
        "object GroupBox1: TGroupBox; Left = 8; Top = 8; Width = 200; Height = 120; "
        "  Caption = '拖放窗口'; Color = clYellow; "
        "  object Label1: TLabel; Left = 20; Top = 40; Caption = '        '; Color = clRed; end; "
        "  object Edit1: TEdit; Left = 20; Top = 70; Width = 60; end; end");
    HWND box = t.Window<TGroupBox>("GroupBox1");
    EXPECT_EQ(ClassOf(box), L"Button");
    EXPECT_EQ(StyleOf(box) & 0xF, BS_GROUPBOX);
    EXPECT_EQ(GetParent(t.Window<TEdit>("Edit1")), box);
    EXPECT_EQ(SendMessageW(box, WM_NCHITTEST, 0, MAKELPARAM(30, 30)), HTCLIENT);

    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 200, 120);
    HGDIOBJ old = SelectObject(dc, bitmap);
    SendMessageW(box, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    EXPECT_EQ(GetPixel(dc, 22, 42), RGB(255, 0, 0));     // the label
    EXPECT_EQ(GetPixel(dc, 150, 60), RGB(255, 255, 0));  // the background inside the frame
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
}
