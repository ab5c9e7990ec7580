#pragma once

#include <string>

// The "--param NAME=VALUE" text the command-line tools take: a parameter's name as the host
// lists it and a plain value in its own units.
struct ParamSetting
{
  std::string name;
  double plain = 0.0;
};

// Reads "NAME=VALUE" (blanks around either part ignored; the last '=' separates them). False
// when there is no '=' or the value is not a finite number.
bool ParseParamSetting(const std::string& text, ParamSetting& setting);

// A finite decimal number and nothing else.
bool ParseDouble(const std::string& text, double& value);

// text without leading and trailing blanks and tabs.
std::string Trim(const std::string& text);
