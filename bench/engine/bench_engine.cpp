// Times the spreadsheet engine on the largest document the exports make: the
// definition template grown to 1,000 worksheets, each with its header block
// and 20 column rows of 8 cells, saved. The same work is then done by
// openpyxl (engine/bench_openpyxl.py) in a child process for comparison.
//
//   bench_engine [sheets] [--no-openpyxl] [--keep]   (--keep leaves the files in /tmp)
#include <sys/resource.h>
#include <sys/time.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "common/Resources.h"
#include "xlsx/ExcelApplication.h"
#include "xlsx/XlsxWorkbook.h"

using namespace zel;

namespace {

double CpuSeconds(int who) {
  rusage ru{};
  getrusage(who, &ru);
  return static_cast<double>(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) +
         static_cast<double>(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
}

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

long PeakRssKb(int who) {
  rusage ru{};
  getrusage(who, &ru);
  return ru.ru_maxrss;
}

}  // namespace

int main(int argc, char** argv) {
  int sheets = 1000;
  bool withOpenpyxl = true, keep = false;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--no-openpyxl")
      withOpenpyxl = false;
    else if (a == "--keep")
      keep = true;
    else
      sheets = std::atoi(argv[i]);
  }
  char folder[] = "/tmp/zelbench.XXXXXX";
  if (!mkdtemp(folder)) return 1;
  std::string tpl = std::string(folder) + "/template.xlsx";
  std::string out = std::string(folder) + "/engine.xlsx";
  auto data = res::Find("xlsx", "obtable2007");
  std::ofstream(tpl, std::ios::binary) << *data;
  std::ofstream(out, std::ios::binary) << *data;

  auto start = std::chrono::steady_clock::now();
  auto app = xl::CreateExcelEngine();
  app->Visible(false);
  app->Workbooks().Open(out);
  xl::IWorkbook& book = app->Workbooks(1);
  if (const char* level = std::getenv("ZEL_BENCH_LEVEL"))
    dynamic_cast<xl::XlsxWorkbook&>(book).SetCompressionLevel(std::atoi(level));
  for (int i = 1; i < sheets; ++i) {
    int c = book.sheets().count();
    book.WorkSheets(1).Copy(book.WorkSheets(c));
  }
  double copied = Seconds(start);
  const char* cols[] = {"1", "column_name", "varchar", "40", "", "1", "1", "コメント 列の説明"};
  const int colNumbers[] = {1, 2, 4, 5, 6, 7, 8, 9};
  for (int s = 1; s <= sheets; ++s) {
    xl::IWorksheet& ws = book.WorkSheets(s);
    char name[32];
    std::snprintf(name, sizeof name, "table_%04d", s);
    ws.Cells(1, 3).FormulaR1C1("販売管理システム");
    ws.Cells(2, 3).FormulaR1C1("受注サブシステム");
    ws.Cells(1, 9).FormulaR1C1("作成 太郎");
    ws.Cells(2, 9).FormulaR1C1("承認 花子");
    ws.Cells(3, 3).FormulaR1C1("dbo");
    ws.Cells(4, 3).FormulaR1C1(name);
    ws.Cells(5, 3).FormulaR1C1(std::string("テーブル ") + name + " の説明");
    ws.Cells(3, 9).FormulaR1C1("2008/04/10");
    ws.Cells(4, 9).FormulaR1C1("2010/3/5");
    for (int r = 0; r < 20; ++r) {
      for (int k = 0; k < 8; ++k) {
        std::string v = k == 0   ? std::to_string(r + 1)
                        : k == 1 ? std::string(cols[1]) + "_" + std::to_string(r + 1)
                                 : cols[k];
        ws.Cells(8 + r, colNumbers[k]).FormulaR1C1(v);
        ws.Cells(8 + r, colNumbers[k]).WrapText(false);
      }
    }
    ws.Name(name);
  }
  double written = Seconds(start);
  book.WorkSheets(1).Select();
  book.Close(true);
  app->Quit();
  double engineSeconds = Seconds(start);
  long engineRss = PeakRssKb(RUSAGE_SELF);
  std::printf("engine phases: copies %.3f s, cells %.3f s, save %.3f s\n", copied, written - copied,
              engineSeconds - written);
  std::printf("engine:   %d sheets, %.3f s wall, %.3f s CPU, peak RSS %.1f MB, file %s\n", sheets,
              engineSeconds, CpuSeconds(RUSAGE_SELF), engineRss / 1024.0, out.c_str());

  if (withOpenpyxl) {
    std::string cmd = std::string("/usr/bin/python3 ") + ZEL_SOURCE_DIR +
                      "/bench/engine/bench_openpyxl.py " + tpl + " " + folder + "/openpyxl.xlsx " +
                      std::to_string(sheets);
    start = std::chrono::steady_clock::now();
    int rc = std::system(cmd.c_str());
    double pySeconds = Seconds(start);
    long pyRss = PeakRssKb(RUSAGE_CHILDREN);
    if (rc != 0) {
      std::printf("openpyxl: failed (%d)\n", rc);
      return 1;
    }
    std::printf("openpyxl: %d sheets, %.3f s wall, %.3f s CPU, peak RSS %.1f MB\n", sheets,
                pySeconds, CpuSeconds(RUSAGE_CHILDREN), pyRss / 1024.0);
    std::printf("engine is %.1fx faster\n", pySeconds / engineSeconds);
  }
  if (!keep) std::filesystem::remove_all(folder);
  return 0;
}
