// The tariff dialog against the real settings file and real controls.
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>

#include "SetupDialogsSupport.h"
#include "TestSupport.h"
#include "framework/Application.h"
#include "framework/WinFileStore.h"
#include "windows/TariffFrm.h"

using namespace kelo;
using app::TFrmTariff;

namespace {

class TariffDialog : public ::testing::Test {
protected:
    void SetUp() override {
        win::Application().Initialize(GetModuleHandleW(nullptr));
        win::Application().SetTitle(test::kDialogTestTitle);
    }
    void TearDown() override { test::DrainMessages(); }

    std::string Ini() const { return test::ReadFileBytes(dir.Path() + "Kelo.ini"); }
    HWND Hwnd(const char* name) const { return form->Find<win::TWinControl>(name)->Handle(); }
    std::wstring Text(const char* name) const { return test::WindowText(Hwnd(name)); }
    void Type(const char* name, const wchar_t* text) const { SetWindowTextW(Hwnd(name), text); }

    test::TempDir dir;
    win::WinFileStore files;
    test::MessageBoxCloser closer{test::kDialogTestTitle};
    std::unique_ptr<TFrmTariff> form;
};

}  // namespace

TEST_F(TariffDialog, StartsFromTheFileAndOkStoresTheSectionAsTyped) {
    // A bad stored amount shows as no fee; the rest as stored.
    files.Replace(dir.Path() + "Kelo.ini",
                  "[Tariff]\r\nMonthlyFee=abc\r\nIncludedHours=40\r\nPricePerHour=1.5\r\nUnit=360\r\n");
    form = std::make_unique<TFrmTariff>(nullptr, dir.Path());
    EXPECT_EQ(Text("edtMonthlyFee"), L"0.00");
    EXPECT_EQ(Text("edtIncludedHours"), L"40");
    EXPECT_EQ(Text("edtPricePerHour"), L"1.50");
    EXPECT_EQ(Text("cboxUnit"), L"按6分钟");
    EXPECT_EQ(Text("cboxRounding"), L"每次连接取整");
    Type("edtMonthlyFee", L" ￥４９．９");  // as a Chinese input method types it
    Type("edtIncludedHours", L"744");
    test::ChooseInCombo(Hwnd("cboxUnit"), 3);
    test::ChooseInCombo(Hwnd("cboxRounding"), 1);
    test::ClickButton(Hwnd("btnOK"));
    EXPECT_FALSE(IsWindowVisible(form->Handle()));
    EXPECT_EQ(Ini(), "[Tariff]\r\nMonthlyFee=49.90\r\nIncludedHours=744\r\nPricePerHour=1.50\r\n"
                     "Unit=3600\r\nRounding=1\r\n");
    EXPECT_EQ(form->Stored(), (Tariff{4990, 744, 150, 3600, TariffRounding::Period}));
}

TEST_F(TariffDialog, OkRefusesWhatTheFileCouldNotKeepAndWritesNothing) {
    const std::string before = "[Setup]\r\nStart=15\r\n";
    files.Replace(dir.Path() + "Kelo.ini", before);
    form = std::make_unique<TFrmTariff>(nullptr, dir.Path());
    form->Show();
    struct Case {
        const char* edit;
        const wchar_t* typed;
        const wchar_t* told;
    };
    for (const Case& c :
         {Case{"edtMonthlyFee", L"12.345", L"月租费必须是 0 到 99999.99 元之间的金额，最多两位小数，例如 50 或 49.90。"},
          Case{"edtPricePerHour", L"10000",
               L"超出部分每小时的价格必须是 0 到 9999.99 元之间的金额，最多两位小数，例如 1.20。"},
          Case{"edtIncludedHours", L"745", L"包含小时数必须是 0 到 744 之间的整数。"}}) {
        Type("edtMonthlyFee", L"50");
        Type("edtIncludedHours", L"40");
        Type("edtPricePerHour", L"1.20");
        SetFocus(Hwnd("btnOK"));
        const int boxes = closer.Count();
        Type(c.edit, c.typed);
        test::ClickButton(Hwnd("btnOK"));
        EXPECT_EQ(closer.Count(), boxes + 1) << c.edit;
        EXPECT_EQ(closer.LastText(), c.told);
        EXPECT_EQ(GetFocus(), Hwnd(c.edit)) << "the wrong value takes the focus";
        EXPECT_TRUE(IsWindowVisible(form->Handle()));
        EXPECT_EQ(Ini(), before);
        EXPECT_FALSE(form->Stored());
    }
}
