#include "io/trace_json.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "io/output.h"
#include "io/printer.h"
#include "ops/forms.h"
#include "query/condition.h"

namespace {

void putString(std::string& json, std::string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  json += '"';
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte == '"' || byte == '\\') {
      json += '\\';
      json += c;
    } else if (byte >= 0x20 && byte < 0x7f) {
      json += c;
    } else {
      json += "\\u00";
      json += kHex[byte >> 4];
      json += kHex[byte & 0xf];
    }
  }
  json += '"';
}

void putNumber(std::string& json, std::size_t n) { json += std::to_string(n); }
void putNumber(std::string& json, long long n) { json += std::to_string(n); }

// [{"name":"id","type":"int"},{"name":"name","type":"char","length":20}]
void putSchema(std::string& json, const Schema& schema) {
  json += '[';
  for (std::size_t i = 0; i < schema.size(); ++i) {
    if (i > 0) json += ',';
    json += "{\"name\":";
    putString(json, schema[i].name());
    json += ",\"type\":";
    if (schema[i].isChar()) {
      json += "\"char\",\"length\":";
      putNumber(json, static_cast<long long>(schema[i].length()));
    } else {
      json += "\"int\"";
    }
    json += '}';
  }
  json += ']';
}

// ["UNION","MINUS",...]: the keyword of each entry, in the table's order.
template <class Entries>
void putKeywords(std::string& json, const Entries& entries) {
  json += '[';
  bool first = true;
  for (const auto& entry : entries) {
    if (!first) json += ',';
    first = false;
    putString(json, entry.keyword);
  }
  json += ']';
}

// [{"kind":"keyword","first":1,"last":7},...]
void putTokens(std::string& json, const std::vector<Token>& tokens) {
  json += '[';
  for (std::size_t i = 0; i < tokens.size(); ++i) {
    if (i > 0) json += ',';
    json += "{\"kind\":\"";
    json += tokenKindName(tokens[i].kind);
    json += "\",\"first\":";
    putNumber(json, tokens[i].first);
    json += ",\"last\":";
    putNumber(json, tokens[i].last);
    json += '}';
  }
  json += ']';
}

}  // namespace

std::string traceToJson(const QueryTrace& trace) {
  const std::vector<TraceNode>& nodes = trace.nodes();
  // Reading ends for an operand before its form: children first, then the
  // node, without recursion (queries nest a thousand deep).
  std::vector<std::size_t> order;
  std::vector<std::size_t> unfinished;
  std::vector<std::pair<std::size_t, std::size_t>> stack;  // node, children visited
  for (std::size_t root = 0; root < nodes.size(); ++root) {
    if (nodes[root].parent >= 0) continue;
    stack.emplace_back(root, 0);
    while (!stack.empty()) {
      auto& [index, visited] = stack.back();
      if (visited < nodes[index].children.size()) {
        const std::size_t child = nodes[index].children[visited++];
        stack.emplace_back(child, 0);
        continue;
      }
      (nodes[index].done ? order : unfinished).push_back(index);
      stack.pop_back();
    }
  }
  // The unfinished ones, outermost first: the one reading stopped in last.
  order.insert(order.end(), unfinished.rbegin(), unfinished.rend());
  std::vector<long long> position(nodes.size(), -1);
  for (std::size_t i = 0; i < order.size(); ++i) position[order[i]] = static_cast<long long>(i);

  std::string json = "{\"nodes\":[";
  for (std::size_t i = 0; i < order.size(); ++i) {
    const TraceNode& node = nodes[order[i]];
    if (i > 0) json += ',';
    json += "\n{\"label\":";
    putString(json, node.label);
    json += ",\"args\":";
    putString(json, node.args);
    json += ",\"arguments\":[";
    for (std::size_t k = 0; k < node.arguments.size(); ++k) {
      if (k > 0) json += ',';
      json += "{\"first\":";
      putNumber(json, node.arguments[k].first);
      json += ",\"last\":";
      putNumber(json, node.arguments[k].last);
      json += ",\"text\":";
      putString(json, node.arguments[k].text);
      json += '}';
    }
    json += ']';
    json += ",\"first\":";
    putNumber(json, static_cast<long long>(node.first));
    json += ",\"last\":";
    putNumber(json, static_cast<long long>(node.last));
    json += ",\"parent\":";
    putNumber(json, node.parent < 0 ? -1 : position[static_cast<std::size_t>(node.parent)]);
    json += ",\"children\":[";
    for (std::size_t k = 0; k < node.children.size(); ++k) {
      if (k > 0) json += ',';
      putNumber(json, position[node.children[k]]);
    }
    json += "],\"done\":";
    json += node.done ? "true" : "false";
    json += ",\"rows\":";
    putNumber(json, static_cast<long long>(node.rows));
    json += ",\"table\":";
    if (node.done) {
      StringOutput printed;
      printTable(node.table, printed);
      putString(json, printed.text());
      json += ",\"schema\":";
      putSchema(json, node.table.schema);
    } else {
      json += "\"\",\"schema\":[]";
    }
    json += '}';
  }
  json += "],\"tokens\":";
  putTokens(json, trace.tokens());
  json += ",\"tracedRows\":";
  putNumber(json, kTracedRows);
  json += ",\"stopped\":";
  putNumber(json, trace.stopped() < 0 ? -1 : position[static_cast<std::size_t>(trace.stopped())]);
  json += "}\n";
  return json;
}

std::string analysisToJson(const InputAnalysis& analysis) {
  std::string json = "{\"bom\":";
  json += analysis.byteOrderMark ? "true" : "false";
  json += ",\"tokens\":";
  putTokens(json, analysis.tokens);
  json += ",\"tables\":[";
  for (std::size_t i = 0; i < analysis.headers.size(); ++i) {
    const HeaderRead& header = analysis.headers[i];
    if (i > 0) json += ',';
    json += "\n{\"name\":";
    putString(json, header.name);
    json += ",\"line\":";
    putNumber(json, header.line);
    json += ",\"stored\":";
    json += header.stored ? "true" : "false";
    json += ",\"attributes\":";
    putSchema(json, header.schema);
    json += '}';
  }
  json += "],\"error\":";
  if (analysis.message.empty()) {
    json += "null";
  } else {
    json += "{\"line\":";
    putNumber(json, analysis.line);
    json += ",\"column\":";
    putNumber(json, analysis.column);
    json += ",\"message\":";
    putString(json, analysis.message);
    json += '}';
  }
  json += ",\"keywords\":{\"forms\":";
  putKeywords(json, kOperatorForms);
  json += ",\"conditions\":";
  putKeywords(json, kConditionKeywords);
  json += "}}\n";
  return json;
}
