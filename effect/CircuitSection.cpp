#include "effect/CircuitSection.h"

#include "effect/CircuitDesignTables.h"

#include <cmath>

namespace
{

// Sums the circuit's terms in table order. b^2 is formed as b * b throughout.
double Evaluate(const circuit::CoefficientTerms& t, double b, double c)
{
  const double bb = b * b;
  double sum = t.one;
  if (t.b != 0) sum = sum + t.b * b;
  if (t.bb != 0) sum = sum + t.bb * bb;
  if (t.c != 0) sum = sum + t.c * c;
  if (t.bc != 0) sum = sum + t.bc * (b * c);
  if (t.bbc != 0) sum = sum + t.bbc * (bb * c);
  return sum;
}

void Design(CircuitSection& section, const circuit::CircuitModel& model, double K, double b,
            double c)
{
  const double A2 = Evaluate(model.A2, b, c);
  const double A1 = Evaluate(model.A1, b, c);
  const double A0 = Evaluate(model.A0, b, c);
  const double B2 = Evaluate(model.B2, b, c);
  const double B1 = Evaluate(model.B1, b, c);
  const double B0 = Evaluate(model.B0, b, c);
  const double K2 = std::pow(K, 2.0);

  section.a0 = A2 * K2 + A1 * K + A0;
  section.a1 = 2 * (A0 - A2 * K2);
  section.a2 = A2 * K2 - A1 * K + A0;
  section.b0 = B2 * K2 + B1 * K + B0;
  section.b1 = 2 * (B0 - B2 * K2);
  section.b2 = B2 * K2 - B1 * K + B0;
}

} // namespace

void DesignHigh(CircuitSection& section, double K, double b, double c)
{
  Design(section, circuit::kHigh, K, b, c);
}

void DesignLow(CircuitSection& section, double K, double b, double c)
{
  Design(section, circuit::kLow, K, b, c);
}

void DesignMid(CircuitSection& section, double K, double b)
{
  // The mid circuit has no c terms.
  Design(section, circuit::kMid, K, b, 0.0);
}

bool HasStablePoles(const CircuitSection& section)
{
  if (section.a0 == 0) return false;
  // Jury's conditions for a0 + a1 z^-1 + a2 z^-2.
  const double p1 = section.a1 / section.a0;
  const double p2 = section.a2 / section.a0;
  return std::fabs(p2) < 1.0 && std::fabs(p1) < 1.0 + p2;
}

void DesignHighStable(CircuitSection& section, double K, double b, double c)
{
  CircuitSection next;
  DesignHigh(next, K, b, c);
  if (HasStablePoles(next)) CopyCoefficients(section, next);
}
