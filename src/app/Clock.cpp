#include "app/Clock.h"

#include <optional>

namespace qv::app {

namespace {
std::optional<QDateTime> &fixedTime()
{
    static std::optional<QDateTime> time;
    return time;
}
} // namespace

QDateTime Clock::now()
{
    const auto &fixed = fixedTime();
    return fixed ? *fixed : QDateTime::currentDateTime();
}

void Clock::setFixed(const QDateTime &time)
{
    fixedTime() = time;
}

void Clock::reset()
{
    fixedTime().reset();
}

} // namespace qv::app
