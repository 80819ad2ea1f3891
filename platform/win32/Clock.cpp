#include "platform/Clock.h"

#include <windows.h>

namespace platform {
namespace {

struct CounterOrigin {
  LARGE_INTEGER frequency;
  LARGE_INTEGER start;
  CounterOrigin() {
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
  }
};

}  // namespace

double MonotonicSeconds() {
  static const CounterOrigin origin;
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return static_cast<double>(now.QuadPart - origin.start.QuadPart) /
         static_cast<double>(origin.frequency.QuadPart);
}

}  // namespace platform
