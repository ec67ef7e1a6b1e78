// The file a document is saved to before it replaces the destination in one
// step, so a failed save never costs the file that was there and never
// leaves a partial one.
#pragma once

#include <cstddef>

#include "framework/AnsiString.h"

class TTempFile {
public:
    // Creates a new file of a name no file had, in the destination's folder.
    // Throws Exception naming the destination when none can be made.
    explicit TTempFile(const AnsiString& destination);
    TTempFile(const TTempFile&) = delete;
    TTempFile& operator=(const TTempFile&) = delete;
    // Removes the file unless it has replaced the destination.
    ~TTempFile();

    const AnsiString& Path() const { return path_; }
    // Forces what was written to the disk and returns the file's last
    // `count` bytes (all of a shorter file). Throws Exception naming the
    // destination when the file cannot be flushed or read.
    AnsiString FlushedTail(std::size_t count) const;
    // Moves the file over the destination in one step. Throws Exception
    // naming the destination when it fails; the destination is then as it was.
    void ReplaceDestination();

private:
    AnsiString destination_;
    AnsiString path_;
    bool replaced_ = false;
};
