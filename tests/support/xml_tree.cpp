#include "support/xml_tree.h"

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlschemas.h>

#include <cstdarg>
#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>

namespace {

void describe(xmlNodePtr node, int depth, std::string& out) {
    out += std::string(depth * 2, ' ') + reinterpret_cast<const char*>(node->name);
    for (xmlAttrPtr attr = node->properties; attr; attr = attr->next) {
        std::unique_ptr<xmlChar, decltype(xmlFree)> value(xmlNodeListGetString(node->doc, attr->children, 1), xmlFree);
        out += std::string(" ") + reinterpret_cast<const char*>(attr->name) + "=\"" +
               (value ? reinterpret_cast<const char*>(value.get()) : "") + "\"";
    }
    bool hasText = false;
    std::string text;
    for (xmlNodePtr child = node->children; child; child = child->next) {
        if (child->type == XML_TEXT_NODE || child->type == XML_CDATA_SECTION_NODE) {
            hasText = true;
            text += reinterpret_cast<const char*>(child->content);
        }
    }
    if (hasText) out += " [" + text + "]";
    out += "\n";
    for (xmlNodePtr child = node->children; child; child = child->next)
        if (child->type == XML_ELEMENT_NODE) describe(child, depth + 1, out);
}

std::string describeDocument(xmlDocPtr doc) {
    if (!doc) return "(unreadable: " + std::string(xmlGetLastError() ? xmlGetLastError()->message : "?") + ")";
    std::string out;
    if (xmlNodePtr root = xmlDocGetRootElement(doc)) describe(root, 0, out);
    xmlFreeDoc(doc);
    return out;
}

void collectError(void* context, const char* format, ...) {
    char buffer[1024];
    va_list args;
    va_start(args, format);
    vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    *static_cast<std::string*>(context) += buffer;
}

}  // namespace

std::string xmlTreeOfFile(const std::string& path) {
    // Keys nest up to 512 levels: deeper than libxml2 reads by default.
    return describeDocument(
        xmlReadFile(path.c_str(), nullptr, XML_PARSE_HUGE | XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING));
}

std::string xmlTreeOfText(const std::string& xml) {
    return describeDocument(xmlReadMemory(xml.data(), static_cast<int>(xml.size()), "text.xml", nullptr,
                                          XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING));
}

std::string schemaErrors(const std::string& path) {
    std::string errors;
    const std::string schemaPath = std::string(REGSCAN_SOURCE_DIR) + "/docs/regparams.xsd";
    xmlSchemaParserCtxtPtr parser = xmlSchemaNewParserCtxt(schemaPath.c_str());
    xmlSchemaPtr schema = xmlSchemaParse(parser);
    xmlSchemaFreeParserCtxt(parser);
    if (!schema) return "schema unreadable";
    xmlSchemaValidCtxtPtr valid = xmlSchemaNewValidCtxt(schema);
    xmlSchemaSetValidErrors(valid, collectError, collectError, &errors);
    const int result = xmlSchemaValidateFile(valid, path.c_str(), 0);
    xmlSchemaFreeValidCtxt(valid);
    xmlSchemaFree(schema);
    if (result != 0 && errors.empty()) errors = "invalid (" + std::to_string(result) + ")";
    return errors;
}
