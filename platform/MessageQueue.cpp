// MessageQueue: the live windows' queue in its order; see the header.
#include "platform/MessageQueue.hpp"

#include "platform/ProcessGuards.hpp"

namespace {

bool takeFront(std::deque<Message>& queue, Message& message)
{
    if (queue.empty())
        return false;
    message = queue.front();
    queue.pop_front();
    return true;
}

} // namespace

bool MessageQueue::take(Message& message)
{
    if (takeFront(posted, message))
        return true;
    if (quitPending) {
        quitPending = false;
        message = Message{nullptr, WM_QUIT, quitCode, 0};
        return true;
    }
    if (takeFront(input, message))
        return true;
    if (paintPending && !windowDestroyed) {
        paintPending = false;
        message = Message{&window, WM_PAINT, 0, 0};
        return true;
    }
    return false;
}

void MessageQueue::post(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam)
{
    if (!windowDestroyed)
        posted.push_back(Message{&window, message, wParam, lParam});
}

void MessageQueue::postKeyDown(std::uintptr_t code, std::intptr_t lParam)
{
    if (!windowDestroyed)
        input.push_back(Message{&window, WM_KEYDOWN, code, lParam});
}

void MessageQueue::postQuit(int exitCode)
{
    quitPending = true;
    quitCode = static_cast<std::uintptr_t>(exitCode);
}

long MessageQueue::dispatch(const Message& message) const
{
    if (message.window == nullptr || windowProcedure == nullptr)
        return 0;
    return windowProcedure(message.window, message.message, message.wParam, message.lParam);
}

void MessageQueue::closeOnSignal()
{
    if (!signalTaken && closeRequestedBySignal()) {
        signalTaken = true;
        post(WM_CLOSE, 0, 0);
    }
}

void MessageQueue::destroy()
{
    if (windowDestroyed)
        return;
    windowDestroyed = true;
    posted.clear();
    input.clear();
    paintPending = false;
    if (windowProcedure != nullptr)
        windowProcedure(&window, WM_DESTROY, 0, 0);
}
