#include <atomic>
#include <thread>

#include "framework/Owner.h"
#include "support/build_view.h"
#include "support/find_handle.h"
#include "support/xml_tree_reader.h"

TCaseCodePage::TCaseCodePage(UINT codePage) : active_(codePage == 0 || codePage == GetACP()) {}

TCaseCodePage::~TCaseCodePage() = default;

// Read by the system's own calls, which take any name the program can save
// to, then parsed as text (UTF-8, as the writer saves it).
std::string savedFileTree(const std::string& ansiPath) {
    const TFileHandle file(
        CreateFileA(ansiPath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) return "(unreadable: cannot open " + ansiPath + ")";
    std::string text;
    char buffer[65536];
    DWORD read = 0;
    while (ReadFile(file.get(), buffer, sizeof buffer, &read, nullptr) && read > 0) text.append(buffer, read);
    return XmlTreeOfText(text);
}

void makeFolders(const std::string& ansiPath) {
    // A trail byte can be "\\": step by characters.
    for (const char* at = ansiPath.c_str(); *at; at = CharNextExA(CP_ACP, at, 0))
        if (*at == '\\') CreateDirectoryA(ansiPath.substr(0, at - ansiPath.c_str()).c_str(), nullptr);
    CreateDirectoryA(ansiPath.c_str(), nullptr);
}

std::size_t filesBeside(const std::string& ansiPath) {
    std::size_t separator = 0;
    for (const char* at = ansiPath.c_str(); *at; at = CharNextExA(CP_ACP, at, 0))
        if (*at == '\\') separator = at - ansiPath.c_str();
    const std::string name = ansiPath.substr(separator + 1);
    WIN32_FIND_DATAA found;
    const TFindHandle search(FindFirstFileA((ansiPath.substr(0, separator) + "\\*").c_str(), &found));
    std::size_t files = 0;
    if (search) {
        do
            files +=
                !(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && lstrcmpiA(found.cFileName, name.c_str()) != 0;
        while (FindNextFileA(search.get(), &found));
    }
    return files;
}

// The box is the test thread's own: looked for from a second thread.
struct TQuestionBox::TWatch {
    explicit TWatch(int button) : thread([this, button] { answer(button); }) {}
    void answer(int button) {
        for (int tries = 0; tries < 300 && !stopped; ++tries) {
            if (HWND box = FindWindowA("#32770", "HRCHECK: ")) {
                char buffer[2048] = "";
                SendMessageA(GetDlgItem(box, 0xFFFF), WM_GETTEXT, sizeof buffer, reinterpret_cast<LPARAM>(buffer));
                text = buffer;
                PostMessageA(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
                return;
            }
            Sleep(50);
        }
    }

    std::string text;
    std::atomic<bool> stopped{false};
    std::thread thread;
};

TQuestionBox::TQuestionBox(int button) : watch_(std::make_unique<TWatch>(button)) {}

TQuestionBox::~TQuestionBox() {
    text();
}

std::string TQuestionBox::text() {
    watch_->stopped = true;
    if (watch_->thread.joinable()) watch_->thread.join();
    return watch_->text;
}
