#include "query/trace.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "io/analysis.h"
#include "io/driver.h"
#include "io/output.h"
#include "io/trace_json.h"
#include "ops/forms.h"
#include "query/condition.h"
#include "query/evaluator.h"

namespace {

constexpr const char* kTables =
    "\n\nEmp(id int, name char(8))\n1, 'Ann'\n2, 'Bob'\n\nT(x int)\n7\n";

std::vector<std::string> labels(const QueryTrace& trace) {
  std::vector<std::string> found;
  for (const TraceNode& node : trace.nodes()) found.push_back(node.label + "|" + node.args);
  return found;
}

// One node per expression, in the order reading began, with the spans,
// arguments and results the page shows.
TEST(TraceTest, RecordsEveryExpressionWithItsSpanArgumentsAndRows) {
  QueryTrace trace;
  StringOutput out;
  evaluateInput(
      std::string("PROJECT(SELECT(PRODUCT(Emp, RENAME(T, U(y))), EQ(id, 1)), name)") + kTables, out,
      nullptr, &trace);
  EXPECT_EQ(labels(trace), (std::vector<std::string>{"PROJECT|name", "SELECT|EQ(id, 1)", "PRODUCT|",
                                                     "Emp|", "RENAME|U(y)", "T|"}));
  const std::vector<TraceNode>& nodes = trace.nodes();
  EXPECT_EQ(trace.stopped(), -1);
  EXPECT_EQ(nodes[0].first, 1U);
  EXPECT_EQ(nodes[0].last, 63U);
  EXPECT_EQ(nodes[2].first, 16U);  // PRODUCT(Emp, RENAME(T, U(y)))
  EXPECT_EQ(nodes[2].last, 44U);
  EXPECT_EQ(nodes[3].first, 24U);  // Emp
  EXPECT_EQ(nodes[3].last, 26U);
  EXPECT_EQ(nodes[2].rows, 2U);  // a streamed product counts its rows all the same
  EXPECT_EQ(nodes[1].rows, 1U);
  EXPECT_EQ(nodes[0].children, std::vector<std::size_t>{1});
  EXPECT_EQ(nodes[2].children, (std::vector<std::size_t>{3, 4}));
  EXPECT_EQ(nodes[5].parent, 4);
  for (const TraceNode& node : nodes) EXPECT_TRUE(node.done);
}

TEST(TraceTest, KeepsTheFirstHundredRowsAndCountsAll) {
  std::string input = "PRODUCT(T, PRODUCT(T, T))\n\nT(x int)\n";
  for (int i = 0; i < 10; ++i) input += std::to_string(i) + "\n";
  QueryTrace trace;
  StringOutput out;
  evaluateInput(input, out, nullptr, &trace);
  ASSERT_EQ(trace.nodes().size(), 5U);
  EXPECT_EQ(trace.nodes()[0].rows, 1000U);
  EXPECT_EQ(trace.nodes()[0].table.rows.size(), kTracedRows);
  EXPECT_EQ(trace.nodes()[1].rows, 10U);
}

// On an error, the node where reading stopped is the form (or name) that
// raised it, its span holds the column the page names, and it comes last in
// the page's JSON.
TEST(TraceTest, MarksTheNodeWhereReadingStopped) {
  struct Case {
    const char* query;
    const char* stoppedLabel;
  };
  const Case cases[] = {
      {"PROJECT(SELECT(Emp, EQ(id, 1)), nmae)", "PROJECT"},
      {"PROJECT(SELECT(Emp, EQ(idd, 1)), name)", "SELECT"},
      {"UNION(Emp, Epm)", "Epm"},
      {"UNION(Emp, T)", "UNION"},
      {"MINUS(Emp, FOO(T))", "FOO"},
      {"RENAME(Emp, E(a))", "RENAME"},
      {"PRODUCT(Emp, ", ""},
  };
  for (const Case& c : cases) {
    QueryTrace trace;
    StringOutput out;
    ErrorPlace place;
    evaluateInput(std::string(c.query) + kTables, out, &place, &trace);
    ASSERT_GE(trace.stopped(), 0) << c.query;
    const TraceNode& stopped = trace.nodes()[static_cast<std::size_t>(trace.stopped())];
    EXPECT_FALSE(stopped.done) << c.query;
    EXPECT_EQ(stopped.label, c.stoppedLabel) << c.query;
    EXPECT_LE(stopped.first, place.column) << c.query;
    EXPECT_GE(stopped.last, place.column) << c.query;
    const std::string json = traceToJson(trace);
    const std::size_t last = json.rfind("\n{\"label\":");
    EXPECT_EQ(json.substr(last + 10, stopped.label.size() + 2), "\"" + stopped.label + "\"")
        << c.query;
    EXPECT_NE(json.find("\"done\":false", last), std::string::npos) << c.query;
    EXPECT_TRUE(json.ends_with("\"stopped\":" + std::to_string(trace.nodes().size() - 1) + "}\n"))
        << c.query;
  }
}

TEST(TraceTest, WritesBytesAsCharactersOfAsciiJson) {
  QueryTrace trace;
  StringOutput out;
  evaluateInput("S\n\nS(s char(4))\n'\xC3\xA9\"'\n", out, nullptr, &trace);
  const std::string json = traceToJson(trace);
  EXPECT_NE(json.find(R"("table":"S(s char(4))\u000a'\u00c3\u00a9\"'\u000a\u000a")"),
            std::string::npos)
      << json;
  EXPECT_NE(json.find(R"("stopped":-1)"), std::string::npos);
}

}  // namespace

namespace {

// kind:first-last for each token.
std::string describeTokens(const std::vector<Token>& tokens) {
  std::string text;
  for (const Token& token : tokens) {
    if (!text.empty()) text += ' ';
    text += std::string(tokenKindName(token.kind)) + ":" + std::to_string(token.first) + "-" +
            std::to_string(token.last);
  }
  return text;
}

// The tokens as the readers read them, up to where reading stopped.
TEST(TraceTest, RecordsTheTokensAsRead) {
  struct Case {
    const char* query;
    const char* tokens;
  };
  const Case cases[] = {
      {"SELECT(Emp, EQ(name, 'Ann'))",
       "keyword:1-6 open:7-7 table:8-10 comma:11-11 condition-keyword:13-14 open:15-15 "
       "attribute:16-19 comma:20-20 string:22-26 close:27-27 close:28-28"},
      {"project( E m p ,id)",
       "keyword:1-7 open:8-8 table:10-14 comma:16-16 attribute:17-18 close:19-19"},
      {"RENAME(Emp, E(a, b, c",
       "keyword:1-6 open:7-7 table:8-10 comma:11-11 name:13-13 open:14-14 attribute:15-15 "
       "comma:16-16 attribute:18-18 comma:19-19 attribute:21-21"},
      {"FOO(Emp)", "unknown:1-3 open:4-4"},
      {"SELECT(Emp, EQ(id, 99999999999))",
       "keyword:1-6 open:7-7 table:8-10 comma:11-11 condition-keyword:13-14 open:15-15 "
       "attribute:16-17 comma:18-18 number:20-30"},
      {"SELECT(Emp, XX(id, 1))",
       "keyword:1-6 open:7-7 table:8-10 comma:11-11 unknown:13-14 open:15-15"},
      {"UNION(E mp, T)", "keyword:1-5 open:6-6 table:7-10 comma:11-11 table:13-13 close:14-14"},
  };
  for (const Case& c : cases) {
    QueryTrace trace;
    StringOutput out;
    evaluateInput(std::string(c.query) + kTables, out, nullptr, &trace);
    EXPECT_EQ(describeTokens(trace.tokens()), c.tokens) << c.query;
  }
}

// The "keywords" member of the analysis's JSON, from the engine's own
// tables.
std::string keywordsJson() {
  std::string json = "{\"forms\":[";
  for (const OperatorForm& form : kOperatorForms) {
    json += (json.back() == '[' ? "\"" : ",\"") + std::string(form.keyword) + "\"";
  }
  json += "],\"conditions\":[";
  for (const ConditionKeyword& condition : kConditionKeywords) {
    json += (json.back() == '[' ? "\"" : ",\"") + std::string(condition.keyword) + "\"";
  }
  return json + "]}";
}

// The keywords the analysis offers the editor are the ones the reader
// reads: each, in any letter case, is read as its kind of keyword where it
// stands before "(", and a word that is none of them is not.
TEST(TraceTest, TheAnalysisOffersTheKeywordsTheReaderReads) {
  ASSERT_EQ(kOperatorForms.size(), 6U);
  ASSERT_EQ(kConditionKeywords.size(), 9U);
  EXPECT_EQ(kOperatorForms.front().keyword, "UNION");
  EXPECT_EQ(kConditionKeywords.back().keyword, "NOT");
  const auto firstToken = [](const std::string& query) {
    const InputAnalysis analysis = analyseInput(query + "\n\nT(x int)\n");
    return analysis.tokens.empty() ? std::string() : describeTokens({analysis.tokens.front()});
  };
  const auto lower = [](std::string_view word) {
    std::string text(word);
    for (char& c : text) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return text;
  };
  for (const OperatorForm& form : kOperatorForms) {
    const std::string word(form.keyword);
    EXPECT_EQ(firstToken(lower(word) + "(T, T)"), "keyword:1-" + std::to_string(word.size()))
        << word;
  }
  for (const ConditionKeyword& condition : kConditionKeywords) {
    const std::string word(condition.keyword);
    const InputAnalysis analysis =
        analyseInput("SELECT(T, " + lower(word) + "(x, 1))\n\nT(x int)\n");
    ASSERT_GE(analysis.tokens.size(), 5U) << word;
    EXPECT_EQ(describeTokens({analysis.tokens[4]}),
              "condition-keyword:11-" + std::to_string(10 + word.size()))
        << word;
  }
  EXPECT_EQ(firstToken("JOIN(T, T)"), "unknown:1-4");
  EXPECT_EQ(describeTokens({analyseInput("SELECT(T, XOR(x, 1))\n\nT(x int)\n").tokens[4]}),
            "unknown:11-13");
}

// The editor's analysis: the headers as read, the first of a name stored,
// and the error with the place the command line gives it.
TEST(TraceTest, AnalysesTheInputWithoutItsRows) {
  const std::string input =
      "PROJECT(Emp, nmae)\n\nEmp(id int, name char(8))\n1, 'Ann'\n\nEmp(x int)\n";
  const InputAnalysis analysis = analyseInput(input);
  StringOutput out;
  ErrorPlace place;
  evaluateInput(input, out, &place);
  EXPECT_EQ(analysis.message, "Scheme Mismatch at project");
  EXPECT_EQ(analysis.column, place.column);
  EXPECT_EQ(analysis.line, 0U);
  EXPECT_EQ(describeTokens(analysis.tokens),
            "keyword:1-7 open:8-8 table:9-11 comma:12-12 attribute:14-17 close:18-18");
  EXPECT_EQ(
      analysisToJson(analysis),
      "{\"bom\":false,\"tokens\":[{\"kind\":\"keyword\",\"first\":1,\"last\":7},"
      "{\"kind\":\"open\",\"first\":8,\"last\":8},{\"kind\":\"table\",\"first\":9,\"last\":11},"
      "{\"kind\":\"comma\",\"first\":12,\"last\":12},"
      "{\"kind\":\"attribute\",\"first\":14,\"last\":17},"
      "{\"kind\":\"close\",\"first\":18,\"last\":18}],\"tables\":["
      "\n{\"name\":\"Emp\",\"line\":3,\"stored\":true,\"attributes\":[{\"name\":\"id\","
      "\"type\":\"int\"},{\"name\":\"name\",\"type\":\"char\",\"length\":8}]},"
      "\n{\"name\":\"Emp\",\"line\":6,\"stored\":false,\"attributes\":[{\"name\":\"x\","
      "\"type\":\"int\"}]}],\"error\":{\"line\":0,\"column\":18,"
      "\"message\":\"Scheme Mismatch at project\"},\"keywords\":" +
          keywordsJson() + "}\n");

  const InputAnalysis loading = analyseInput(
      "\xEF\xBB\xBF"
      "Emp\n\nEmp(id int)\nx\n");
  EXPECT_TRUE(loading.byteOrderMark);
  EXPECT_EQ(loading.message, "Input> Not int or string");
  EXPECT_EQ(loading.line, 4U);
  EXPECT_EQ(loading.column, 0U);
  ASSERT_EQ(loading.headers.size(), 1U);
  EXPECT_EQ(loading.headers[0].line, 3U);
  // The query is still read, against the headers read before the error,
  // for the editor; the error stays the loading's, where the command line
  // stops.
  EXPECT_EQ(describeTokens(loading.tokens), "table:1-3");
  const InputAnalysis bothFail = analyseInput("PROJECT(Emp, x)\n\nEmp(id int)\n1\nz\n");
  EXPECT_EQ(bothFail.message, "Input> Not int or string");
  EXPECT_EQ(bothFail.line, 5U);
  EXPECT_EQ(bothFail.column, 0U);
  EXPECT_EQ(describeTokens(bothFail.tokens),
            "keyword:1-7 open:8-8 table:9-11 comma:12-12 attribute:14-14 close:15-15");

  // Rows are not read: a query whose rows are too short passes here.
  EXPECT_EQ(analyseInput("SELECT(T, EQ(x, 1))\n\nT(x int, y int)\n1\n").message, "");
}

}  // namespace
