// koru-snapshot: KORU's editor as a PNG picture, drawn off screen through the editor's own core
// and controls for chosen parameter and meter values. The build writes the bundle's snapshot
// with it (Contents/Resources/Snapshots/<class id>_snapshot.png).
#include "EditorSnapshot.h"
#include "ParamSettingText.h"
#include "effect/KORU.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace
{
constexpr const char* kUsage =
    "usage: koru-snapshot [options] out.png\n"
    "Draws the KORU editor (150 x 550 pixels) off screen and writes it as a PNG file.\n"
    "\n"
    "  --param \"NAME=VALUE\"  set a parameter by its host title, in plain units, for example\n"
    "                        --param \"Compressor 1=48\"; may be repeated (the last one wins)\n"
    "  --meters GR,VU        needle positions of the gain-reduction and VU meters, each 0..1\n"
    "                        (default 0,0)\n"
    "  -h, --help            show this text\n";

constexpr int kExitError = 1;
constexpr int kExitUsage = 2;

int UsageError(const std::string& message)
{
  std::fprintf(stderr, "koru-snapshot: %s\n\n%s", message.c_str(), kUsage);
  return kExitUsage;
}

} // namespace

int main(int argc, char** argv)
{
  std::vector<ParamSetting> params;
  double gainReduction = 0.0, vu = 0.0;
  std::string outputPath;
  for (int i = 1; i < argc; ++i)
  {
    const std::string arg = argv[i];
    if (arg == "-h" || arg == "--help")
    {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (arg == "--param")
    {
      if (i + 1 >= argc) return UsageError("--param needs \"NAME=VALUE\"");
      const std::string text = argv[++i];
      ParamSetting setting;
      if (!ParseParamSetting(text, setting))
        return UsageError("--param \"" + text + "\": expected \"NAME=VALUE\" with a finite value");
      params.push_back(setting);
    }
    else if (arg == "--meters")
    {
      if (i + 1 >= argc) return UsageError("--meters needs GR,VU");
      const std::string text = argv[++i];
      const size_t comma = text.find(',');
      if (comma == std::string::npos || !ParseDouble(Trim(text.substr(0, comma)), gainReduction) ||
          !ParseDouble(Trim(text.substr(comma + 1)), vu))
        return UsageError("--meters \"" + text + "\": expected two numbers, GR,VU");
    }
    else if (arg.size() > 1 && arg[0] == '-')
    {
      return UsageError("unknown option " + arg);
    }
    else if (outputPath.empty())
    {
      outputPath = arg;
    }
    else
    {
      return UsageError("only one output file");
    }
  }
  if (outputPath.empty()) return UsageError("no output file given");

  KORU* koru = new KORU();
  int result = 0;
  for (const ParamSetting& setting : params)
  {
    if (!SetSnapshotParam(*koru, setting.name, setting.plain))
    {
      std::fprintf(stderr, "koru-snapshot: no parameter is called \"%s\"\n", setting.name.c_str());
      result = kExitUsage;
      break;
    }
  }
  if (result == 0)
  {
    SetSnapshotMeters(*koru, gainReduction, vu);
    std::string error;
    LICE_IBitmap* surface = RenderEditor(*koru);
    if (!surface || !WritePngFile(*surface, outputPath, error))
    {
      std::fprintf(stderr, "koru-snapshot: %s\n", surface ? error.c_str() : "no editor");
      result = kExitError;
    }
  }
  koru->release();
  return result;
}
