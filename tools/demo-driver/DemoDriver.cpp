// Runs the program for the demo and reports what it went through:
//
//   DemoDriver drive PROGRAM REPORT [SHOT_FOLDER [INSTALLER_LOG]]
//       plays the user, with a screenshot per stage when given a folder for them; the
//       installer's stage is pictured by the log Windows Installer writes to INSTALLER_LOG
//   DemoDriver watch PROGRAM REPORT
//       the user clicks; the driver only looks
//
// Start it in the Wine session, on the desktop where the program is to appear; it starts the
// program itself. REPORT receives the findings (RunReport.h); tools/demo reads them.
#include "tools/demo-driver/DemoRun.h"
#include "tools/demo-driver/RunReport.h"

#include <cstdio>
#include <string>

int wmain(int argc, wchar_t** argv) {
    const std::wstring mode = argc > 1 ? argv[1] : L"";
    if (!((mode == L"drive" && argc >= 4 && argc <= 6) || (mode == L"watch" && argc == 4))) {
        std::fprintf(stderr,
                     "usage: DemoDriver drive PROGRAM REPORT [SHOT_FOLDER [INSTALLER_LOG]]\n"
                     "       DemoDriver watch PROGRAM REPORT\n");
        return 2;
    }
    RunReport report(argv[3]);
    if (!report.IsOpen()) {
        std::fprintf(stderr, "DemoDriver: cannot write the report (%lu)\n", GetLastError());
        return 1;
    }
    DemoRun(mode == L"drive" ? DemoMode::Drive : DemoMode::Watch, argv[2], argc > 4 ? argv[4] : L"",
            argc > 5 ? argv[5] : L"", report)
        .Run();
    return 0;
}
