#pragma once

// Cores a batch has no file for, lent to the converters that can use them:
// a POSIX named semaphore counting the cores free to take. The batch creates
// the pool (empty) and gives it a core each time a job slot falls idle with
// nothing left to start; a converter working through a long file in
// segments takes cores from it for more threads, and gives each back when
// its thread ends. So a batch that ends with one long file uses every core
// for it, and never runs more threads than it has cores. A converter killed
// while holding cores (a cancel) loses them with the batch's pool, which
// goes with the batch.

#include <atomic>
#include <cerrno>
#include <memory>
#include <string>

#include <fcntl.h>
#include <semaphore.h>
#include <unistd.h>

namespace sondrel::posix {

class CorePool {
public:
    // A new pool with no cores, under a name no other pool has; the name is
    // removed when the pool goes. nullptr when the system has no room.
    static std::unique_ptr<CorePool> create() {
        static std::atomic<unsigned> serial{0};
        const std::string name = "/sondrel-cores-" + std::to_string(::getpid()) + "-" +
                                 std::to_string(serial.fetch_add(1));
        sem_t* semaphore = ::sem_open(name.c_str(), O_CREAT | O_EXCL, 0600, 0);
        if (semaphore == SEM_FAILED)
            return nullptr;
        return std::unique_ptr<CorePool>(new CorePool(name, semaphore, true));
    }

    // The pool of that name, if it is there.
    static std::unique_ptr<CorePool> open(const std::string& name) {
        sem_t* semaphore = ::sem_open(name.c_str(), 0);
        if (semaphore == SEM_FAILED)
            return nullptr;
        return std::unique_ptr<CorePool>(new CorePool(name, semaphore, false));
    }

    ~CorePool() {
        ::sem_close(m_semaphore);
        if (m_owner)
            ::sem_unlink(m_name.c_str());
    }
    CorePool(const CorePool&) = delete;
    CorePool& operator=(const CorePool&) = delete;

    const std::string& name() const { return m_name; }

    void give() { ::sem_post(m_semaphore); }

    // Takes a core if one is free, without waiting.
    bool tryTake() {
        while (::sem_trywait(m_semaphore) != 0) {
            if (errno != EINTR)
                return false;
        }
        return true;
    }

    // The cores free to take now.
    int available() const {
        int value = 0;
        ::sem_getvalue(m_semaphore, &value);
        return value;
    }

private:
    CorePool(std::string name, sem_t* semaphore, bool owner)
        : m_name(std::move(name)), m_semaphore(semaphore), m_owner(owner) {}

    std::string m_name;
    sem_t* m_semaphore;
    bool m_owner;
};

} // namespace sondrel::posix
