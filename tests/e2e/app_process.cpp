#include "app_process.h"

#include <vector>

namespace {

const char kOverridesName[] = "WINEDLLOVERRIDES=";

// This process's environment with `dllOverrides` added to WINEDLLOVERRIDES.
std::vector<char> EnvironmentWith(const std::string& dllOverrides) {
    std::vector<std::string> entries;
    std::string overrides = dllOverrides;
    if (LPCH block = GetEnvironmentStringsA()) {
        for (const char* entry = block; *entry; entry += strlen(entry) + 1) {
            std::string text = entry;
            if (_strnicmp(entry, kOverridesName, sizeof(kOverridesName) - 1) == 0) {
                const std::string existing = text.substr(sizeof(kOverridesName) - 1);
                if (!existing.empty()) overrides = existing + ";" + dllOverrides;
            } else {
                entries.push_back(text);
            }
        }
        FreeEnvironmentStringsA(block);
    }
    entries.push_back(kOverridesName + overrides);
    std::vector<char> environment;
    for (const std::string& entry : entries) environment.insert(environment.end(), entry.c_str(), entry.c_str() + entry.size() + 1);
    environment.push_back('\0');
    return environment;
}

}  // namespace

TAppProcess::TAppProcess(const std::string& program, const std::string& currentFolder,
                         const std::string& dllOverrides) {
    std::string commandLine = "\"" + program + "\"";
    std::vector<char> environment;
    if (!dllOverrides.empty()) environment = EnvironmentWith(dllOverrides);
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    if (!CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0,
                        environment.empty() ? nullptr : environment.data(),
                        currentFolder.empty() ? nullptr : currentFolder.c_str(), &startup, &info)) {
        startFailure_ = "CreateProcess " + program + " failed, error " + std::to_string(GetLastError());
        return;
    }
    process_ = info.hProcess;
    thread_ = info.hThread;
    processId_ = info.dwProcessId;
    threadId_ = info.dwThreadId;
}

TAppProcess::~TAppProcess() {
    if (process_) {
        if (Running()) {
            TerminateProcess(process_, 1);
            WaitForSingleObject(process_, 5000);
        }
        CloseHandle(process_);
    }
    if (thread_) CloseHandle(thread_);
}

bool TAppProcess::Running() const {
    return process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

DWORD TAppProcess::WaitForExit(DWORD timeoutMs) {
    if (!process_ || WaitForSingleObject(process_, timeoutMs) != WAIT_OBJECT_0) return STILL_ACTIVE;
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process_, &code);
    return code;
}
