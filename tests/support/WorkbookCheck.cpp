#include "support/WorkbookCheck.h"

#include <sys/stat.h>
#include <zip.h>

#include <cstdlib>
#include <memory>
#include <sstream>

#include <gtest/gtest.h>

#include "common/Resources.h"
#include "support/TestEnv.h"

namespace zel::test {
namespace {

std::string Quote(const std::string& s) {
  std::string out = "'";
  for (char c : s) {
    if (c == '\'')
      out += "'\\''";
    else
      out += c;
  }
  return out + "'";
}

std::string Script(const char* name) {
  return std::string(ZEL_SOURCE_DIR) + "/tests/support/" + name;
}

std::string Unescape(const std::string& v) {
  std::string out;
  for (std::size_t i = 0; i < v.size(); ++i) {
    if (v[i] != '\\' || i + 1 >= v.size()) {
      out += v[i];
      continue;
    }
    char c = v[++i];
    if (c == 'n')
      out += '\n';
    else if (c == 't')
      out += '\t';
    else if (c == 'r')
      out += '\r';
    else if (c == 'u' && i + 4 < v.size()) {
      unsigned cp = static_cast<unsigned>(std::stoul(v.substr(i + 1, 4), nullptr, 16));
      i += 4;
      if (cp < 0x80) {
        out += static_cast<char>(cp);
      } else {  // U+FFFE/U+FFFF
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
      }
    } else
      out += c;
  }
  return out;
}

}  // namespace

WorkbookDump DumpWorkbook(const std::string& path, bool styles) {
  WorkbookDump d;
  std::string out;
  int rc = RunCommand("/usr/bin/python3 " + Quote(Script("xlsx_dump.py")) + " " + Quote(path) +
                          (styles ? "" : " --no-styles"),
                      &out);
  if (rc != 0) {
    d.error = out.empty() ? "xlsx_dump.py failed" : out;
    return d;
  }
  std::istringstream in(out);
  std::string line;
  while (std::getline(in, line)) {
    auto tab = line.find('\t');
    if (tab == std::string::npos) continue;
    d.values[Unescape(line.substr(0, tab))] = Unescape(line.substr(tab + 1));
  }
  return d;
}

std::string SchemaFolder() {
  const char* env = std::getenv("ZEL_OOXML_SCHEMAS");
  if (env && *env) return env;
  return std::string(ZEL_SOURCE_DIR) + "/../shared/ooxml-schemas";
}

bool SchemasAvailable() {
  return FileExists(SchemaFolder() + "/sml.xsd");
}

std::string SchemaProblems(const std::string& path) {
  if (!SchemasAvailable()) return "no schemas";
  std::string out;
  int rc = RunCommand("/usr/bin/python3 " + Quote(Script("xlsx_validate.py")) + " " + Quote(path) +
                          " " + Quote(SchemaFolder()),
                      &out);
  if (rc == 0) return "";
  std::istringstream in(out);
  std::string line, problems;
  while (std::getline(in, line))
    if (line.rfind("valid ", 0) != 0 && line.rfind("skipped ", 0) != 0) problems += line + "\n";
  return problems.empty() ? out : problems;
}

bool HaveSoffice() {
  return RunCommand("command -v soffice >/dev/null") == 0;
}

std::string ConvertToPdf(const std::string& path, const std::string& outDir) {
  std::string out;
  int rc = RunCommand("cd " + Quote(outDir) + " && timeout 180 soffice --headless " +
                          Quote("-env:UserInstallation=file://" + outDir + "/lo-profile") +
                          " --convert-to pdf --outdir " + Quote(outDir) + " " + Quote(path),
                      &out);
  std::string base = path.substr(path.rfind('/') + 1);
  base = base.substr(0, base.rfind('.')) + ".pdf";
  struct stat st {};
  if (rc != 0) return "soffice failed (" + std::to_string(rc) + "): " + out;
  if (stat((outDir + "/" + base).c_str(), &st) != 0 || st.st_size == 0)
    return "no PDF was written: " + out;
  return "";
}

std::string ReadZipPart(const std::string& zipPath, const std::string& part) {
  int err = 0;
  zip_t* za = zip_open(zipPath.c_str(), ZIP_RDONLY, &err);
  if (!za) return "";
  std::string data;
  zip_stat_t st;
  if (zip_stat(za, part.c_str(), 0, &st) == 0) {
    if (zip_file_t* f = zip_fopen(za, part.c_str(), 0)) {
      data.resize(st.size);
      zip_int64_t n = zip_fread(f, data.data(), st.size);
      if (n < 0) data.clear();
      zip_fclose(f);
    }
  }
  zip_discard(za);
  return data;
}

std::string ZipPartList(const std::string& zipPath) {
  int err = 0;
  zip_t* za = zip_open(zipPath.c_str(), ZIP_RDONLY, &err);
  if (!za) return "";
  std::string list;
  for (zip_int64_t i = 0; i < zip_get_num_entries(za, 0); ++i)
    list += std::string(zip_get_name(za, static_cast<zip_uint64_t>(i), 0)) + "\n";
  zip_discard(za);
  return list;
}

void WriteModelWorkbook(const std::string& path) {
  WriteFile(path, std::string(*res::Find("xlsx", "obtable2007")));
}

bool MakeOddModels(const std::string& folder, const std::string& names) {
  std::string out;
  const int status = RunCommand(
      "/usr/bin/python3 " + Quote(Script("make_odd_models.py")) + " " + Quote(folder) + " " + names,
      &out);
  if (status != 0) ADD_FAILURE() << "make_odd_models.py failed: " << out;
  return status == 0;
}

}  // namespace zel::test
