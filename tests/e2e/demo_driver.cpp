// One run of regscan.exe as a user would make it, for scripts/run.sh on a
// machine without a display: press the button, save as the given path,
// confirm the success box, close. Prints the path the program shows and
// keeps a picture of the main window with the success box.
//
//   regscan_demo_driver <file to save> <picture.bmp>
#include <windows.h>

#include <cstdio>
#include <string>

#include "app_driver.h"
#include "screenshot.h"
#include "window_query.h"

namespace {

int Fail(const std::string& why, const TRegScanApp& app) {
    fprintf(stderr, "regscan_demo_driver: %s; %s\n", why.c_str(), app.DescribeOpenWindows().c_str());
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: regscan_demo_driver <file to save> <picture.bmp>\n");
        return 2;
    }
    const std::string target = argv[1];
    const std::string picture = argv[2];

    char folder[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, folder);
    TRegScanApp app(folder);
    if (!app.WaitUntilReady()) return Fail("the program did not start", app);

    app.ClickButton1();
    HWND dialog = app.WaitForSaveDialog();
    if (!dialog) return Fail("no save dialog", app);
    app.SaveAs(dialog, target);

    TMessageBox box = app.WaitForMessageBox();
    // The dialog asks before replacing an earlier file of that name.
    if (box.handle && GetWindow(box.handle, GW_OWNER) == dialog) {
        if (!app.Answer(box, IDYES)) return Fail("cannot answer the question about replacing the file", app);
        box = app.WaitForMessageBox();
    }
    if (box.text != kSuccessText) return Fail("the export did not succeed", app);
    AnswersMessages(box.handle);
    Sleep(200);
    RECT main = {}, shown = {}, both = {};
    GetWindowRect(app.MainWindow(), &main);
    GetWindowRect(box.handle, &shown);
    UnionRect(&both, &main, &shown);
    if (!SaveScreenArea(both, picture)) fprintf(stderr, "regscan_demo_driver: no picture\n");
    printf("%s\n", app.LocationText().c_str());
    if (!app.Answer(box, IDOK)) return Fail("the success box stayed open", app);
    if (!app.WaitUntilIdle()) return Fail("the run did not end", app);
    const DWORD exitCode = app.Close();
    if (exitCode != 0) return Fail("exit code " + std::to_string(exitCode), app);
    return 0;
}
