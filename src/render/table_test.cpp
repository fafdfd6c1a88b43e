#include "render/table.hpp"

#include <gtest/gtest.h>

#include "render/testing/reference.hpp"

namespace lorvane::render {
namespace {

using parser::TableNode;
using reference::next_csv_row;
using reference::parse_csv_rows;
using reference::split_csv_cells;
using Rows = std::vector<std::vector<std::string_view>>;

std::string render_table(const TableNode& table, const TemplateSet& templates) {
  std::string out;
  append_table_html(out, table, templates, nullptr);
  return out;
}

TEST(ParseCsvRows, SplitsLinesAndCells) {
  struct Case {
    const char* name;
    std::string source;
    Rows want;
  };
  const Case cases[] = {
      {"empty", "", {}},
      {"blank lines only", "  \n\t\n\n", {}},
      {"two lines", "a,b\nc", {{"a", "b"}, {"c"}}},
      {"empty cells kept", "a,,b,", {{"a", "", "b", ""}}},
      {"leading comma", ",a", {{"", "a"}}},
      {"space comma space is two empty cells", " , ", {{"", ""}}},
      {"cells and lines trimmed", "  a ,\u00A0b\u3000 \n", {{"a", "b"}}},
      {"CRLF like LF", "a,b\r\nc,d\r\n", {{"a", "b"}, {"c", "d"}}},
      {"no quoting", "\"x,y\",z", {{"\"x", "y\"", "z"}}},
      {"blank lines between rows skipped", "a\n\n \nb", {{"a"}, {"b"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(parse_csv_rows(c.source), c.want);
  }
}

TEST(ParseCsvRows, RowsOneAtATime) {
  const std::string source = "a\n\n b,c \n";
  std::size_t pos = 0;
  EXPECT_EQ(next_csv_row(source, pos), (std::vector<std::string_view>{"a"}));
  EXPECT_EQ(next_csv_row(source, pos), (std::vector<std::string_view>{"b", "c"}));
  EXPECT_EQ(next_csv_row(source, pos), std::nullopt);
  EXPECT_EQ(split_csv_cells(""), (std::vector<std::string_view>{""}));
}

TEST(TableElement, WidthsPaddingAndEmptyCases) {
  struct Case {
    const char* name;
    std::string source;
    std::optional<std::vector<std::string>> columns;
    std::string want;  // between the opening table tag and "</table>"
  };
  const Case cases[] = {
      {"no columns, no rows", "", std::nullopt, "<tbody><tr><td></td></tr></tbody>"},
      {"no columns, blank lines", " \n\n", std::nullopt, "<tbody><tr><td></td></tr></tbody>"},
      {"no columns, short row padded", "a,b\nc", std::nullopt,
       "<tbody><tr><td>a</td><td>b</td></tr><tr><td>c</td><td></td></tr></tbody>"},
      {"no columns, widest row sets the width", "a\nb,c,d", std::nullopt,
       "<tbody><tr><td>a</td><td></td><td></td></tr><tr><td>b</td><td>c</td><td>d</td></tr>"
       "</tbody>"},
      {"columns cut long rows", "a,b", std::vector<std::string>{"x"},
       "<thead><tr><th>x</th></tr></thead><tbody><tr><td>a</td></tr></tbody>"},
      {"columns pad short rows", "a", std::vector<std::string>{"x", "y"},
       "<thead><tr><th>x</th><th>y</th></tr></thead><tbody><tr><td>a</td><td></td></tr></tbody>"},
      {"columns, no rows", "", std::vector<std::string>{"x", "y"},
       "<thead><tr><th>x</th><th>y</th></tr></thead><tbody><tr><td colspan=\"2\"></td></tr>"
       "</tbody>"},
      {"empty columns, no rows", "", std::vector<std::string>{},
       "<thead><tr></tr></thead><tbody><tr><td colspan=\"1\"></td></tr></tbody>"},
      {"empty columns, rows", "a,b\nc", std::vector<std::string>{},
       "<thead><tr></tr></thead><tbody><tr></tr><tr></tr></tbody>"},
      {"header line is just a row", "x,y\n1,2", std::vector<std::string>{"x", "y"},
       "<thead><tr><th>x</th><th>y</th></tr></thead><tbody><tr><td>x</td><td>y</td></tr>"
       "<tr><td>1</td><td>2</td></tr></tbody>"},
      {"everything escaped", "<a>,\"q\"", std::vector<std::string>{"&", "'"},
       "<thead><tr><th>&amp;</th><th>&#39;</th></tr></thead><tbody><tr><td>&lt;a&gt;</td>"
       "<td>&quot;q&quot;</td></tr></tbody>"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TableNode table;
    table.data_source = c.source;
    table.columns = c.columns;
    std::string out;
    append_table_element(out, table, nullptr);
    EXPECT_EQ(out, "<table class=\"lrv-table-inner\">" + c.want + "</table>");
  }
}

TEST(RenderTable, FillsCaptionTableAndDataSource) {
  TemplateSet templates = builtin_template_set();
  TableNode table;
  table.data_source = "a,b\n";
  EXPECT_EQ(render_table(table, templates),
            "<div class=\"lrv-table\">\n  \n  <div class=\"lrv-table-scroll\">\n    "
            "<table class=\"lrv-table-inner\"><tbody><tr><td>a</td><td>b</td></tr></tbody></table>"
            "\n  </div>\n</div>");

  templates.table = "[{CAPTION}][{TABLE}][{DATA_SOURCE}]";
  table.caption = "";
  EXPECT_EQ(render_table(table, templates),
            "[<div class=\"lrv-table-caption\"></div>][<table class=\"lrv-table-inner\"><tbody>"
            "<tr><td>a</td><td>b</td></tr></tbody></table>][a,b\n]");

  // Later pairs reach into earlier values: a caption "{TABLE}" receives the table, a cell
  // "{DATA_SOURCE}" the escaped source as stored.
  table.caption = "{TABLE}";
  table.data_source = "{DATA_SOURCE}, <x> ";
  templates.table = "{CAPTION}|{DATA_SOURCE}";
  EXPECT_EQ(render_table(table, templates),
            "<div class=\"lrv-table-caption\"><table class=\"lrv-table-inner\"><tbody><tr><td>"
            "{DATA_SOURCE}, &lt;x&gt; </td><td>&lt;x&gt;</td></tr></tbody></table></div>|"
            "{DATA_SOURCE}, &lt;x&gt; ");
}

TEST(RenderTable, LargeTableStaysLinear) {
  // 200,000 rows of 5 cells, and one line of 200,000 cells; guarded by the test timeout.
  std::string rows;
  for (int i = 0; i < 200000; ++i) rows += "a,b,c,d,e\n";
  TableNode table;
  table.data_source = rows;
  std::string out;
  append_table_element(out, table, nullptr);
  EXPECT_EQ(out.size(),
            std::string("<table class=\"lrv-table-inner\"><tbody></tbody></table>").size() +
                200000 * std::string("<tr>"
                                     "<td>a</td>"
                                     "<td>b</td>"
                                     "<td>c</td>"
                                     "<td>d</td>"
                                     "<td>e</td></tr>")
                             .size());
  table.data_source = std::string(200000, ',');
  out.clear();
  append_table_element(out, table, nullptr);
  EXPECT_EQ(
      out.size(),
      std::string("<table class=\"lrv-table-inner\"><tbody><tr></tr></tbody></table>").size() +
          200001 * std::string("<td></td>").size());
}

TEST(TableElement, PaddingIsPaidRowByRow) {
  // One line of 1100 empty cells above 1000 lines of one cell: 1.1 million padding cells,
  // about 10 MB, which a page's budget pays for; the table is exact.
  const std::string wide(1099, ',');
  std::string source = wide + "\n";
  for (int i = 0; i < 1000; ++i) source += "a\n";
  TableNode table;
  table.data_source = source;
  std::string padded_row = "<tr><td>a</td>";
  for (int i = 0; i < 1099; ++i) padded_row += "<td></td>";
  padded_row += "</tr>";
  std::string head = "<table class=\"lrv-table-inner\"><tbody><tr>";
  for (int i = 0; i < 1100; ++i) head += "<td></td>";
  head += "</tr>";
  std::string want = head;
  for (int i = 0; i < 1000; ++i) want += padded_row;
  want += "</tbody></table>";
  FillBudget roomy(std::size_t{64} << 20);
  std::string out;
  append_table_element(out, table, &roomy);
  EXPECT_EQ(out, want);
  EXPECT_FALSE(roomy.refused());

  // A budget for 10 padded rows: the rows after those stay short, nothing else changes.
  FillBudget small(10 * 1099 * 9 + 100);
  out.clear();
  append_table_element(out, table, &small);
  want = head;
  for (int i = 0; i < 10; ++i) want += padded_row;
  for (int i = 10; i < 1000; ++i) want += "<tr><td>a</td></tr>";
  want += "</tbody></table>";
  EXPECT_EQ(out, want);
  EXPECT_TRUE(small.refused());
}

TEST(TableElement, HostilePaddingStaysBounded) {
  // Padded cell by cell this would be 2^36 cells (over 600 GB); guarded by the timeout.
  const std::size_t n = std::size_t{1} << 18;
  std::string source(n - 1, ',');
  for (std::size_t i = 0; i < n; ++i) source += "\na";
  TableNode table;
  table.data_source = source;
  const std::size_t bytes = std::size_t{1} << 20;
  FillBudget budget(bytes);
  std::string out;
  append_table_element(out, table, &budget);
  EXPECT_TRUE(budget.refused());
  EXPECT_LE(
      out.size(),
      std::string("<table class=\"lrv-table-inner\"><tbody><tr></tr></tbody></table>").size() +
          n * std::string("<td></td>").size() + n * std::string("<tr><td>a</td></tr>").size() +
          bytes);
}

}  // namespace
}  // namespace lorvane::render
