#include "ParamSettingText.h"

#include <cmath>
#include <cstdlib>

bool ParseParamSetting(const std::string& text, ParamSetting& setting)
{
  const size_t equals = text.rfind('=');
  if (equals == std::string::npos) return false;
  setting.name = Trim(text.substr(0, equals));
  return ParseDouble(Trim(text.substr(equals + 1)), setting.plain);
}

bool ParseDouble(const std::string& text, double& value)
{
  if (text.empty()) return false;
  char* end = nullptr;
  const double parsed = std::strtod(text.c_str(), &end);
  if (*end != '\0' || !std::isfinite(parsed)) return false;
  value = parsed;
  return true;
}

std::string Trim(const std::string& text)
{
  const size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return "";
  const size_t last = text.find_last_not_of(" \t");
  return text.substr(first, last - first + 1);
}
