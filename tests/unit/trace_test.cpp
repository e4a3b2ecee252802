#include "query/trace.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <vector>

#include "io/driver.h"
#include "io/output.h"
#include "io/trace_json.h"

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
