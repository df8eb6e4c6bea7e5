#pragma once
// The boundary between Qt and the handlers the forms connect to its signals: an
// exception must not unwind through Qt's signal code, so every connected handler
// is wrapped in Guarded, which reports the error and returns.
#include <concepts>
#include <exception>
#include <functional>
#include <utility>

namespace widgets {

// How an error that left a handler is shown; the application sets it (a message box).
void SetHandlerErrorReporter(std::function<void(const std::exception&)> reporter);
void ReportHandlerError(const std::exception& error);

// handler, callable with the signal's arguments or with fewer of them, as Qt allows.
template <typename Handler>
auto Guarded(Handler handler) {
    return [handler = std::move(handler)]<typename... Args>(Args&&... args)
        requires std::invocable<const Handler&, Args...>
    {
        try {
            handler(std::forward<Args>(args)...);
        } catch (const std::exception& error) {
            ReportHandlerError(error);
        }
    };
}

}  // namespace widgets
