// The engine's results reach their receiver as posted messages would: after
// the caller returned, in order, and subject to what Qt does to posted events.

#include "protocol/messagebatch.h"
#include "tests/protocol/enginetest.h"

#include <QEventLoop>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace {

class CReceiver : public QObject {
public:
    std::vector<int> Codes;
    std::function<void(int code)> OnMessage;
    bool event(QEvent* e) override {
        if (const auto* message = dynamic_cast<const CUdpMessage*>(e)) {
            Codes.push_back(message->Code());
            if (OnMessage)
                OnMessage(message->Code());
            return true;
        }
        return QObject::event(e);
    }
};

void Post(CUdpMessagePoster& poster, QObject& receiver, std::initializer_list<int> codes) {
    for (int code : codes)
        poster.Post(&receiver, UM_UDP_RESULT, code, 1);
}

struct BatchCase {
    const char* name;
    std::function<void(CUdpMessagePoster&, CReceiver& a, CReceiver& b)> act;
    std::vector<int> wantA;
    std::vector<int> wantB;
};

class MessageBatch : public ::testing::TestWithParam<BatchCase> {
protected:
    void SetUp() override { TestApp(); }
};

TEST_P(MessageBatch, ReceiverGetsWhatWasPostedInOrder) {
    CUdpMessagePoster poster;
    CReceiver a;
    CReceiver b;
    GetParam().act(poster, a, b);
    // What a handler posts waits for the next turn of the event loop.
    for (int turn = 0; turn < 3; ++turn)
        QCoreApplication::sendPostedEvents();
    EXPECT_EQ(a.Codes, GetParam().wantA);
    EXPECT_EQ(b.Codes, GetParam().wantB);
}

const BatchCase kBatchCases[] = {
    {"AfterTheCallerReturned",
     [](CUdpMessagePoster& poster, CReceiver& a, CReceiver&) {
         Post(poster, a, {1, 2, 3});
         EXPECT_TRUE(a.Codes.empty());
     },
     {1, 2, 3},
     {}},
    {"EachReceiverInItsOwnOrder",
     [](CUdpMessagePoster& poster, CReceiver& a, CReceiver& b) {
         Post(poster, a, {1});
         Post(poster, b, {2});
         Post(poster, a, {3});
     },
     {1, 3},
     {2}},
    {"RemovedWithTheReceiversPostedEvents",
     [](CUdpMessagePoster& poster, CReceiver& a, CReceiver&) {
         Post(poster, a, {1, 2});
         QCoreApplication::removePostedEvents(&a);
         Post(poster, a, {3});
     },
     {3},
     {}},
    {"DeliveredBySendPostedEventsOfTheReceiver",
     [](CUdpMessagePoster& poster, CReceiver& a, CReceiver&) {
         Post(poster, a, {1, 2});
         QCoreApplication::sendPostedEvents(&a);
         EXPECT_EQ(a.Codes, (std::vector<int>{1, 2}));
         Post(poster, a, {3});
     },
     {1, 2, 3},
     {}},
    {"PostedWhileDeliveringComesBehind",
     [](CUdpMessagePoster& poster, CReceiver& a, CReceiver&) {
         a.OnMessage = [&](int code) {
             if (code == 1)
                 Post(poster, a, {9});
         };
         Post(poster, a, {1, 2});
     },
     {1, 2, 9},
     {}},
    {"RemovedWhileDeliveringStopsTheRest",
     [](CUdpMessagePoster& poster, CReceiver& a, CReceiver&) {
         a.OnMessage = [&](int code) {
             if (code == 1)
                 QCoreApplication::removePostedEvents(&a);
         };
         Post(poster, a, {1, 2, 3});
     },
     {1},
     {}},
    {"ReceiverDeletedWithMessagesWaiting",
     [](CUdpMessagePoster& poster, CReceiver& a, CReceiver&) {
         auto gone = std::make_unique<CReceiver>();
         Post(poster, *gone, {1, 2});
         gone.reset();
         Post(poster, a, {3});
     },
     {3},
     {}},
};

INSTANTIATE_TEST_SUITE_P(Cases, MessageBatch, ::testing::ValuesIn(kBatchCases),
                         [](const auto& info) { return std::string(info.param.name); });

// A handler that opens a modal dialog runs a nested event loop: the rest of
// the batch arrives inside it, not after the dialog closed.
TEST(MessageBatchLoop, RestArrivesInANestedEventLoop) {
    TestApp();
    CUdpMessagePoster poster;
    CReceiver a;
    std::vector<int> seenInside;
    a.OnMessage = [&](int code) {
        if (code != 1)
            return;
        QEventLoop nested;
        QTimer::singleShot(2000, &nested, &QEventLoop::quit); // a guard only
        const auto before = a.Codes.size();
        QTimer::singleShot(0, &nested, [&] {
            QCoreApplication::sendPostedEvents();
            seenInside.assign(a.Codes.begin() + static_cast<std::ptrdiff_t>(before), a.Codes.end());
            nested.quit();
        });
        nested.exec();
    };
    Post(poster, a, {1, 2, 3});
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(seenInside, (std::vector<int>{2, 3}));
    EXPECT_EQ(a.Codes, (std::vector<int>{1, 2, 3}));
}

} // namespace
