// MessageQueue: the order the live windows give their messages in, and a destroyed window's
// queue, which keeps the quit message alone and tells the procedure once.
#include "platform/MessageQueue.hpp"

#include "platform/headless/HeadlessWindow.hpp"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<std::uint32_t> procedureSaw;

long recordingProcedure(Window*, std::uint32_t message, std::uintptr_t, std::intptr_t)
{
    procedureSaw.push_back(message);
    return 0;
}

// What the queue gives out, message and wParam, until it is empty.
std::vector<std::pair<std::uint32_t, std::uintptr_t>> drain(MessageQueue& queue)
{
    std::vector<std::pair<std::uint32_t, std::uintptr_t>> out;
    Message message;
    while (queue.take(message))
        out.emplace_back(message.message, message.wParam);
    return out;
}

} // namespace

TEST(MessageQueue, PostedMessagesComeFirstThenQuitThenKeysThenOnePaint)
{
    HeadlessWindow owner(nullptr);
    MessageQueue queue(owner, recordingProcedure);
    queue.askPaint();
    queue.postKeyDown('H', 1);
    queue.post(WM_CLOSE, 0, 0);
    queue.postQuit(3);
    queue.askPaint();
    queue.postKeyDown('C', 1);
    queue.post(WM_DESTROY, 7, 0);
    EXPECT_TRUE(queue.hasMessages());
    const std::vector<std::pair<std::uint32_t, std::uintptr_t>> expected{
        {WM_CLOSE, 0}, {WM_DESTROY, 7}, {WM_QUIT, 3}, {WM_KEYDOWN, 'H'}, {WM_KEYDOWN, 'C'}, {WM_PAINT, 0}};
    EXPECT_EQ(drain(queue), expected);
    EXPECT_FALSE(queue.hasMessages());
}

TEST(MessageQueue, ADestroyedWindowDropsItsMessagesAndHearsWmDestroyOnce)
{
    procedureSaw.clear();
    HeadlessWindow owner(nullptr);
    MessageQueue queue(owner, recordingProcedure);
    queue.post(WM_CLOSE, 0, 0);
    queue.postKeyDown('H', 1);
    queue.askPaint();
    queue.destroy();
    queue.destroy();
    EXPECT_EQ(procedureSaw, std::vector<std::uint32_t>{WM_DESTROY});
    EXPECT_TRUE(queue.destroyed());
    queue.post(WM_CLOSE, 0, 0);
    queue.postKeyDown('C', 1);
    queue.askPaint();
    queue.postQuit(0);
    // Only the quit message outlives the window; it goes to no procedure.
    Message message;
    ASSERT_TRUE(queue.take(message));
    EXPECT_EQ(message.message, WM_QUIT);
    EXPECT_EQ(message.window, nullptr);
    EXPECT_EQ(queue.dispatch(message), 0);
    EXPECT_FALSE(queue.take(message));
    EXPECT_EQ(procedureSaw.size(), 1u);
}
