// Table reader: keyword lines, column types, null markers, headers, and bad input.
#include "tables/table.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "support/files.h"

namespace korva {
namespace {

std::string writeFile(const std::string& name, const std::string& content) {
  static const testing::TempDir dir;  // removed at the end of the test program
  return dir.write(name, content);
}

struct Read {
  int status = -1;
  tvector<float> data;
  int columns = -1;
  int rows = -1;
  tvector<tabVar> vars;
  hdrList headers;
  std::string err;  // the log
};

void readTable(const std::string& path, int nullValue, Read* r, int quiet = 0, int wantData = 1) {
  TextLog log;
  r->status = rdTable2(path.c_str(), &r->data, &r->columns, &r->rows, &r->vars, nullValue,
                       &r->headers, quiet, wantData, log);
  r->err = log.text();
}

float cell(const Read& r, int row, int column) {
  return r.data[static_cast<size_t>(row * r.columns + column)];
}

// Compares the whole matrix with the expected rows.
void expectCells(const Read& r, std::initializer_list<std::initializer_list<float>> rows) {
  ASSERT_EQ(r.rows, static_cast<int>(rows.size()));
  int i = 0;
  for (const auto& row : rows) {
    int k = 0;
    for (float v : row) {
      if (std::isnan(v)) {
        EXPECT_TRUE(std::isnan(cell(r, i, k++))) << i << "," << k - 1;
      } else {
        EXPECT_EQ(cell(r, i, k++), v) << i << "," << k - 1;
      }
    }
    i++;
  }
}

TEST(Table, ReadsColumnsTypesHeadersAndLateFormat) {
  std::string path = writeFile("basic",
                               "\n"  // a blank first line, before the buffer holds anything
                               "REMARK made by hand\n"
                               "# a comment\n"
                               "DATA SEQUENCE AB\n"
                               "VARS RESID_I NAME D D\n"
                               "\n"
                               "  12  A  -1.5  7\n"
                               "13 B 2.25e1 8 extra words\n"
                               "14 A 0 9999\n"
                               "remark lower case is neither keyword nor data\n"
                               "FORMAT %4d %-8_s %9.3f %g\n"
                               "NULLVALUE 9999\n"
                               "END\n");
  Read r;
  readTable(path, -1, &r);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  ASSERT_EQ(r.columns, 4);
  ASSERT_EQ(r.rows, 3);
  const int types[] = {kVarInt, kVarText, kVarReal, kVarReal};
  const char* formats[] = {"%4d", "%-8 s", "%9.3f", "%g"};
  for (int k = 0; k < 4; ++k) {
    EXPECT_EQ(r.vars[k].type, types[k]) << k;
    EXPECT_EQ(std::string(r.vars[k].format.c_str()), formats[k]) << k;
    EXPECT_EQ(r.vars[k].tolerance, 0.0f);
  }
  expectCells(r, {{12, 0, -1.5f, 7}, {13, 1, 22.5f, 8}, {14, 0, 0, -1}});
  ASSERT_EQ(r.vars[1].textList.size(), 2u);
  EXPECT_STREQ(getTabText(r.vars[1], cell(r, 1, 1)), "B");
  EXPECT_STREQ(getTabText(r.vars[1], cell(r, 2, 1)), "A");

  // Case-insensitive look-up; of two columns named D the last one.
  EXPECT_EQ(getTabVar(r.vars, r.columns, "resid_i"), 0);
  EXPECT_EQ(getTabVar(r.vars, r.columns, "d"), 3);
  EXPECT_EQ(getTabVar(r.vars, r.columns, "DD"), -1);
  EXPECT_EQ(getTabVar(r.vars, 3, "D"), 2);

  ASSERT_EQ(r.headers.lines.size(), 4u);
  EXPECT_EQ(std::string(r.headers.lines[0].c_str()), "REMARK made by hand");
  EXPECT_EQ(std::string(r.headers.lines[1].c_str()), "# a comment");
  EXPECT_EQ(std::string(r.headers.lines[2].c_str()), "DATA SEQUENCE AB");
  EXPECT_EQ(std::string(r.headers.lines[3].c_str()),
            "remark lower case is neither keyword nor data");
}

TEST(Table, FailuresPrintTheirMessage) {
  struct Case {
    const char* name;
    std::string content;
    std::string message;  // "@" stands for the file path
  };
  const Case cases[] = {
      {"comments", "REMARK only\n# comment\nDATA X\n", "RdTable Error: no entries in @\n"},
      {"empty", "", "RdTable Error: no entries in @\n"},
      {"formatcount", "VARS A B C D E\nFORMAT %d %d %d %d\n1 2 3 4 5\n",
       "RdTable Error: VARS/FORMAT mismatch:\nVARS A B C D E\nFORMAT %d %d %d %d\n"},
      {"tolcount", "VARS A B\nTOLERANCE 0.1\n1 2\n",
       "RdTable Error: VARS/TOLERANCE mismatch:\nVARS A B\nTOLERANCE 0.1\n"},
      {"novars", "1 2\n", "RdTable Error: no variables found.\n"},
      {"emptyvars", "VARS\n1 2\n", "RdTable Error: no variables found.\n"},
      {"badformat", "VARS A B\nFORMAT %d %4x\n1 2\n", "RdTable Error: bad format FORMAT %d %4x\n"},
      {"binary",
       std::string("VARS A\n1\n\x7f"
                   "ELF\x01\x00\x00\xff\n",
                   15),
       "RdTable Error: binary data in @, line 3.\n"},
      {"longline", "VARS A\n" + std::string(2 << 20, '1'),
       "RdTable Error: line 2 of @ is longer than 1048576 bytes; not read.\n"},
  };
  for (const Case& c : cases) {
    std::string path = writeFile(c.name, c.content);
    Read r;
    readTable(path, 0, &r);
    std::string message = c.message;
    size_t at = message.find('@');
    if (at != std::string::npos) message.replace(at, 1, path);
    EXPECT_EQ(r.status, 1) << c.name;
    EXPECT_EQ(r.err, message) << c.name;
    EXPECT_EQ(r.rows * r.columns, static_cast<int>(r.data.size())) << c.name;
    freeTab(&r.data, &r.vars, &r.columns, &r.rows);
  }

  Read r;
  std::string missing = ::testing::TempDir() + "korva_table_does_not_exist";
  readTable(missing, 0, &r);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "RdTable File open error: " + missing + ".\n");

  // A directory opens on some systems but cannot be read.
  std::string dir = ::testing::TempDir();
  readTable(dir, 0, &r);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "RdTable File open error: " + dir + ".\n");
}

TEST(Table, BadItemsWarnAndStoreNaN) {
  std::string path = writeFile("items",
                               "VARS N X T\n"
                               "FORMAT %d %f %s\n"
                               "5\n"
                               "abc 1e999 ok\n"
                               "12abc 3.5xyz nan\n"
                               "99999999999 nan T\n");
  Read r;
  readTable(path, 0, &r);
  ASSERT_EQ(r.status, 0);
  EXPECT_EQ(r.err,
            "RdTable Warning: Bad F-Item 2:\n5\n"
            "RdTable Warning: Bad T-Item 3:\n5\n"
            "RdTable Warning: Bad I-Item 1:\nabc 1e999 ok\n"
            "RdTable Warning: Bad F-Item 2:\nabc 1e999 ok\n"
            "RdTable Warning: Bad I-Item 1:\n99999999999 nan T\n"
            "RdTable Warning: Bad F-Item 2:\n99999999999 nan T\n");
  ASSERT_EQ(r.rows, 4);
  // Leading digits count without a warning; a missing text is the empty text.
  const float bad = kBadItem;
  expectCells(r, {{5, bad, 0}, {bad, bad, 1}, {12, 3.5f, 2}, {bad, bad, 3}});
  EXPECT_STREQ(getTabText(r.vars[2], 0), "");
  EXPECT_STREQ(getTabText(r.vars[2], 2), "nan");
}

TEST(Table, NullStringAndNullValueMarkCells) {
  // The later NULLSTRING wins; a null text is stored as the caller's null value, not as an index.
  std::string path = writeFile("nulls",
                               "NULLSTRING -\n"
                               "VARS NAME V R\n"
                               "FORMAT %s %d %f\n"
                               "NULLSTRING ?\n"
                               "A 9999 9999.0\n"
                               "? 1 2\n"
                               "- 2 3\n"
                               "NULLVALUE\n");
  Read r;
  readTable(path, -7, &r);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("RdTable Warning: ignored NULLVALUE line 8"), std::string::npos);
  expectCells(r, {{0, 9999, 9999}, {-7, 1, 2}, {1, 2, 3}});
  EXPECT_EQ(getTabText(r.vars[0], -7), nullptr);
  EXPECT_STREQ(getTabText(r.vars[0], 1), "-");

  std::string withValue = writeFile("nullvalue",
                                    "VARS NAME V R\nFORMAT %s %d %f\n"
                                    "NULLSTRING ?\nNULLVALUE 9999\n"
                                    "? 9999 9999.0\nB 9998 1\n");
  readTable(withValue, -1, &r);
  ASSERT_EQ(r.status, 0) << r.err;
  expectCells(r, {{-1, -1, -1}, {0, 9998, 1}});
}

TEST(Table, QuietAndHeaderOnlyReads) {
  std::string path = writeFile("quiet", "REMARK nothing\nVARS A\n");
  Read r;
  readTable(path, 0, &r, 1, 1);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.rows, 0);
  EXPECT_EQ(r.err, "");

  // A byte-order mark does not hide the VARS line.
  std::string rows = writeFile("nodata", "\xEF\xBB\xBFVARS A B\nFORMAT %s %d\nx 1\ny 2\n");
  readTable(rows, 0, &r, 0, 0);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.rows, 2);
  EXPECT_EQ(r.columns, 2);
  EXPECT_TRUE(r.data.empty());
}

// Long words, wide rows and long lines: read whole, nothing written outside the matrix.
// Wide rows of long words and numbers are read whole; a number too long for an integer warns.
// The file is read in chunks of 65536 bytes: in the last case the final byte, the 7 of 57
// without a newline, is all that the second chunk holds (7 + 7 + 65518 + 1 + 2 + 2 bytes).
TEST(Table, OversizedInputIsReadSafely) {
  std::string vars = "VARS", format = "\nFORMAT %s", row;
  for (int k = 0; k < 600; ++k) {
    // Appended in two steps: GCC 12 at -O3 warns falsely on "literal" + std::string (-Wrestrict).
    vars.append(" C").append(std::to_string(k));
    format += k > 0 ? " %d" : "";
    row.append(" ").append(std::to_string(k));
  }
  Read r;
  readTable(writeFile("wide", vars + format + "\n" + std::string(5000, 'W') + row.substr(2) +
                                  "\n1 " + std::string(6000, '7') + "\n"),
            0, &r);
  ASSERT_EQ(r.columns, 600);
  ASSERT_EQ(r.rows, 2);
  EXPECT_EQ(r.vars[0].textList[0].size(), 5000u);
  EXPECT_EQ(cell(r, 0, 599), 599.0f);
  EXPECT_TRUE(std::isnan(cell(r, 1, 1)));
  EXPECT_EQ(r.err.find("RdTable Warning: Bad I-Item 2:\n"), 0u);
  readTable(writeFile("chunk", "VARS A\nREMARK " + std::string(65518, 'x') + "\n1\n57"), 0, &r);
  expectCells(r, {{1}, {57}});
}

TEST(Table, LineHelpers) {
  struct Case {
    const char* line;
    int data;
  };
  const Case cases[] = {{"1 2 3", 1},       {"  remark x", 0}, {"Data x", 0},
                        {"end", 0},         {"#x", 0},         {"   ", 0},
                        {"nullValue 3", 0}, {"VARSX a", 1},    {"tolerance 1", 0},
                        {"\tFormat %d", 0}, {"# ", 0},         {"-1 # trailing", 1}};
  for (const Case& c : cases) EXPECT_EQ(isDataLine(c.line), c.data) << c.line;

  tvector<tstring> list;
  int error = 0;
  EXPECT_EQ(mapText("A", &list, &error), 0);
  EXPECT_EQ(mapText("B", &list, &error), 1);
  EXPECT_EQ(mapText("A", &list, &error), 0);
  EXPECT_EQ(mapText("a", &list, &error), 2);
  EXPECT_EQ(error, 0);
}

}  // namespace
}  // namespace korva
