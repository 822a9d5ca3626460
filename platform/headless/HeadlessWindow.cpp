// HeadlessWindow: the message queue and default handling in memory; see the header.
#include "platform/headless/HeadlessWindow.hpp"

bool HeadlessWindow::peekMessage(Message& message)
{
    if (queue.empty())
        return false;
    message = queue.front();
    queue.pop_front();
    return true;
}

void HeadlessWindow::postMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam)
{
    if (!destroyed)
        queue.push_back(Message{this, message, wParam, lParam});
}

void HeadlessWindow::postQuitMessage(int exitCode)
{
    queue.push_back(Message{nullptr, WM_QUIT, static_cast<std::uintptr_t>(exitCode), 0});
}

long HeadlessWindow::dispatchMessage(const Message& message)
{
    if (procedure == nullptr || message.window == nullptr)
        return 0;
    return procedure(this, message.message, message.wParam, message.lParam);
}

long HeadlessWindow::defaultProcedure(std::uint32_t message, std::uintptr_t, std::intptr_t)
{
    if (message == WM_CLOSE && !destroyed) {
        destroyed = true;
        if (procedure != nullptr)
            procedure(this, WM_DESTROY, 0, 0);
    }
    return 0;
}
