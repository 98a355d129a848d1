#pragma once
// Readable Qt values in test failure messages, and time limits.
#include <QString>

#include <ostream>

inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

// Time limits hold for optimised builds; debug and sanitizer builds get ten
// times as long, so they still catch a quadratic slip.
#ifdef NDEBUG
inline constexpr int kTimeScale = 1;
#else
inline constexpr int kTimeScale = 10;
#endif
