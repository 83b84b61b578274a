#include "cli/CommandOutput.h"

#include <cstdio>
#include <json/writer.h>

namespace pelan::cli {
namespace {

std::string scalarText(const Json::Value& value) {
    if (value.isString())
        return value.asString();
    if (value.isBool())
        return value.asBool() ? "yes" : "no";
    if (value.isNull())
        return "-";
    Json::StreamWriterBuilder builder;
    builder["indentation"] = "";
    return Json::writeString(builder, value);
}

bool isScalar(const Json::Value& value) {
    return !value.isObject() && !value.isArray();
}

bool allScalars(const Json::Value& list) {
    for (const Json::Value& element : list)
        if (!isScalar(element))
            return false;
    return true;
}

// A record on one line: its scalar members as name=value, nested lists of scalars joined with commas.
std::string recordLine(const Json::Value& record) {
    if (isScalar(record))
        return scalarText(record);
    std::string line;
    for (const std::string& name : record.getMemberNames()) {
        const Json::Value& member = record[name];
        std::string text;
        if (isScalar(member)) {
            text = scalarText(member);
        } else if (member.isArray() && allScalars(member)) {
            for (const Json::Value& element : member)
                text.append(text.empty() ? "" : ",").append(scalarText(element));
        } else {
            continue; // deeper structure shows in the JSON form only
        }
        if (text.find(' ') != std::string::npos || text.empty())
            text = "\"" + text + "\"";
        line.append(line.empty() ? "" : " ").append(name).append("=").append(text);
    }
    return line;
}

void renderMembers(const Json::Value& object, const std::string& indent, std::string& out) {
    for (const std::string& name : object.getMemberNames()) {
        const Json::Value& member = object[name];
        if (isScalar(member)) {
            out += indent + name + ": " + scalarText(member) + "\n";
        } else if (member.isArray() && member.empty()) {
            out += indent + name + ": (none)\n";
        } else if (member.isArray() && allScalars(member)) {
            std::string joined;
            for (const Json::Value& element : member)
                joined.append(joined.empty() ? "" : " ").append(scalarText(element));
            out += indent + name + ": " + joined + "\n";
        } else if (member.isArray()) {
            out += indent + name + ":\n";
            for (const Json::Value& element : member)
                out += indent + "  " + recordLine(element) + "\n";
        } else {
            out += indent + name + ":\n";
            renderMembers(member, indent + "  ", out);
        }
    }
}

} // namespace

CommandResult succeeded(Json::Value document) {
    CommandResult result;
    result.document = std::move(document);
    return result;
}

CommandResult failed(std::string error) {
    CommandResult result;
    result.exitCode = kExitFailure;
    result.error = std::move(error);
    return result;
}

CommandResult usageFailed(std::string error) {
    CommandResult result;
    result.exitCode = kExitUsage;
    result.error = std::move(error);
    return result;
}

std::string renderJson(const Json::Value& document) {
    Json::StreamWriterBuilder builder;
    builder["indentation"] = "  ";
    builder["emitUTF8"] = true;
    return Json::writeString(builder, document) + "\n";
}

std::string renderText(const Json::Value& document) {
    std::string out;
    if (document.isObject())
        renderMembers(document, "", out);
    else
        out = scalarText(document) + "\n";
    return out;
}

std::string hexText(const uint8_t* bytes, size_t length) {
    std::string text;
    char pair[4];
    for (size_t i = 0; i < length; ++i) {
        std::snprintf(pair, sizeof pair, "%02x", bytes[i]);
        if (i > 0)
            text += ' ';
        text += pair;
    }
    return text;
}

std::string hexNumber(uint32_t value, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%0*x", digits, value);
    return text;
}

} // namespace pelan::cli
