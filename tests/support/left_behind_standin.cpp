#include "platform/stand-in/control.h"
#include "support/left_behind.h"

TLeftBehind::TLeftBehind() : handles_(standin::registry_open_handles()) {
    standin::message_boxes_clear();
}

std::string TLeftBehind::What() const {
    std::string what;
    if (standin::registry_open_handles() != handles_) what += "registry handles left open; ";
    if (standin::dom_live_objects() != 0) what += "DOM objects alive; ";
    if (!standin::message_boxes().empty()) what += "a question box: " + standin::message_boxes().front().text;
    return what;
}
