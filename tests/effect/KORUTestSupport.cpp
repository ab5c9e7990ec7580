#include "KORUTestSupport.h"

#include <cmath>

std::vector<double> Sine(double freq, double amplitude, double fs, size_t n)
{
  std::vector<double> v(n);
  for (size_t i = 0; i < n; ++i)
    v[i] = amplitude * std::sin(2.0 * 3.14159265358979323846 * freq * i / fs);
  return v;
}

double Rms(const std::vector<double>& v, size_t from)
{
  double sum = 0.0;
  for (size_t i = from; i < v.size(); ++i) sum += v[i] * v[i];
  return std::sqrt(sum / static_cast<double>(v.size() - from));
}
