#include <windows.h>

#include <memory>

#include "app/DataFolder.h"
#include "app/NetConnections.h"
#include "app/Platform.h"
#include "framework/Application.h"
#include "framework/Handle.h"
#include "framework/WinFileStore.h"
#include "framework/WinText.h"
#include "skin/SkinManager.h"
#include "windows/DropFrm.h"
#include "windows/Globals.h"
#include "windows/KeloStringRes.h"
#include "windows/MainFrm.h"
#include "windows/NoticeFrm.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    using namespace kelo;
    // One copy per desktop: a second start ends before any window exists and tells the
    // running copy nothing.
    const auto mutex = app::TakeSingleInstanceMutex(res::kMutexName);
    if (!mutex) return 0;

    win::TApplication& application = win::Application();
    application.Initialize(instance);
    application.SetTitle(res::kAppTitle);

    win::WinFileStore files;
    win::GbkCodec codec;
    app::SystemClock clock;
    int exitCode = 0;
    win::HandleExceptions(nullptr, [&] {
        // A program folder that cannot be written (under Program Files, on a read-only
        // share) keeps the files in the user's application data instead.
        const std::string programDir = app::AppDir();
        const app::DataFolder data =
            app::ChooseDataFolder(programDir, app::UserAppDataDir(), app::FolderWritable(programDir));
        app::MainServices services{files, codec, clock, &app::IsOnline, data.path,
                                   app::GetLocalHostName(), app::GetLocalIP(),
                                   data.firstUse, &app::AutoRunSet, &app::SetAutoRun,
                                   app::SystemHasLayeredWindows()};
        app::SystemConnections connections;
        services.listConnections = [&connections] { return connections.List(); };
        services.connections = &connections;
        app::TFrmKeloMain main(std::move(services));
        application.SetMainForm(&main);
        app::FrmKeloMain = &main;
        std::unique_ptr<app::TFrmDrop> drop(app::TFrmDrop::Create(nullptr, main.MiniWindowContext()));
        app::FrmDrop = drop.get();
        app::TForm1 notice(nullptr);
        app::Form1 = &notice;
        exitCode = application.Run();
        app::Form1 = nullptr;
        app::FrmDrop = nullptr;
        application.SetMainForm(nullptr);
    });
    // Whatever happened above, no skin hook outlives the program's windows.
    skin::TSkinManager::Destroy();
    return exitCode;
}
