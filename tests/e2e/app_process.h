// A program started for a test, ended with it at the latest.
#pragma once

#include <windows.h>

#include <string>

#include "framework/Owner.h"

// The environment variable `name` of this process; empty when not set.
std::string EnvironmentText(const char* name);

class TAppProcess {
public:
    // `program` is found as the command line finds it (system folder, PATH).
    TAppProcess(const std::string& program, const std::string& currentFolder, const std::string& arguments = "");
    TAppProcess(const TAppProcess&) = delete;
    TAppProcess& operator=(const TAppProcess&) = delete;
    // Ends a program that a failed test left running.
    ~TAppProcess();

    bool Started() const { return static_cast<bool>(process_); }
    const std::string& StartFailure() const { return startFailure_; }
    DWORD ProcessId() const { return processId_; }
    DWORD ThreadId() const { return threadId_; }
    bool Running() const;
    // Waits for the end; the exit code, or STILL_ACTIVE when it did not end.
    DWORD WaitForExit(DWORD timeoutMs);

private:
    TOwner<HANDLE, &CloseHandle> process_;
    TOwner<HANDLE, &CloseHandle> thread_;
    DWORD processId_ = 0;
    DWORD threadId_ = 0;
    std::string startFailure_;
};
