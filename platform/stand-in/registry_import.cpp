// Fills the stand-in registry from registry export text.
#include "platform/reg_text.h"
#include "platform/stand-in/control.h"
#include "platform/stand-in/registry_store.h"

namespace standin {

void registry_import(const std::string& reg_text) {
    for (const auto& op : parseRegText(reg_text)) {
        switch (op.kind) {
            case RegTextOperation::Kind::CreateKey:
                registry_create_key(op.root, op.path);
                break;
            case RegTextOperation::Kind::DeleteKey:
                reg::delete_key(op.root, op.path);
                break;
            case RegTextOperation::Kind::SetValue:
                registry_set_value(op.root, op.path, op.name, op.type, op.data);
                break;
            case RegTextOperation::Kind::DeleteValue:
                if (auto key = reg::find_key(reg::root_key(op.root), op.path)) reg::delete_value(*key, op.name);
                break;
        }
    }
}

}  // namespace standin
