#include <filesystem>

#include "platform/stand-in/control.h"
#include "support/ansi_utf8.h"
#include "support/build_view.h"
#include "support/xml_tree.h"

TCaseCodePage::TCaseCodePage(UINT codePage) {
    if (codePage != 0) before_ = standin::ansi_code_page(codePage);
}

TCaseCodePage::~TCaseCodePage() {
    if (before_ != 0) standin::ansi_code_page(before_);
}

std::string savedFileTree(const std::string& ansiPath) {
    const std::string path = ansiToUtf8(ansiPath);
    return xmlTreeOfFile(path) + schemaErrors(path);
}

void makeFolders(const std::string& ansiPath) {
    std::filesystem::create_directories(ansiToUtf8(ansiPath));
}

std::size_t filesBeside(const std::string& ansiPath) {
    const std::filesystem::path path = ansiToUtf8(ansiPath);
    std::size_t files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(path.parent_path()))
        files += entry.is_regular_file() && entry.path() != path;
    return files;
}

struct TQuestionBox::TWatch {};

TQuestionBox::TQuestionBox(int button) {
    standin::message_boxes_clear();
    standin::message_box_script({button});
}

TQuestionBox::~TQuestionBox() = default;

std::string TQuestionBox::text() {
    for (const standin::MessageBoxRecord& box : standin::message_boxes())
        if (box.caption == "HRCHECK: ") return box.text;
    return "";
}
