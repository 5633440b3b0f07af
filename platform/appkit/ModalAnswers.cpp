#include "platform/appkit/ModalAnswers.h"

#include <deque>
#include <mutex>

namespace sondrel::appkit {
namespace {

struct Answers {
    std::mutex mutex;
    std::deque<ModalAnswer> queued;
    std::vector<ModalRecord> records;
};

Answers& answers() {
    static Answers instance;
    return instance;
}

} // namespace

void answerNextModal(ModalAnswer answer) {
    std::lock_guard lock(answers().mutex);
    answers().queued.push_back(std::move(answer));
}

void clearModalAnswers() {
    std::lock_guard lock(answers().mutex);
    answers().queued.clear();
    answers().records.clear();
}

bool takeModalAnswer(ModalAnswer& answer) {
    std::lock_guard lock(answers().mutex);
    if (answers().queued.empty())
        return false;
    answer = std::move(answers().queued.front());
    answers().queued.pop_front();
    return true;
}

void recordModal(ModalRecord record) {
    std::lock_guard lock(answers().mutex);
    answers().records.push_back(std::move(record));
}

std::vector<ModalRecord> modalRecords() {
    std::lock_guard lock(answers().mutex);
    return answers().records;
}

} // namespace sondrel::appkit
