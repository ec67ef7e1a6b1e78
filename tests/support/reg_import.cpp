#include "support/reg_import.h"

#include "platform/stand-in/control.h"
#include "support/reg_text.h"

void importRegText(const std::string& text) {
    for (const RegTextOperation& op : parseRegText(text)) {
        switch (op.kind) {
            case RegTextOperation::Kind::CreateKey:
                standin::registry_create_key(op.root, op.path);
                break;
            case RegTextOperation::Kind::DeleteKey:
                standin::registry_delete_key(op.root, op.path);
                break;
            case RegTextOperation::Kind::SetValue:
                standin::registry_set_value(op.root, op.path, op.name, op.type, op.data);
                break;
            case RegTextOperation::Kind::DeleteValue:
                standin::registry_delete_value(op.root, op.path, op.name);
                break;
        }
    }
}
