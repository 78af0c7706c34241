// ThreadUse: one thread at a time inside an object.
//
// A live connection (and everything made on it) may be used by any thread,
// but by one thread at a time: the client library's handle is not safe for
// two at once. Each use enters a ThreadUse for its duration; a second thread
// that enters while another is inside is refused with std::logic_error, so
// that a use from two threads at once fails loudly instead of corrupting the
// handle now and then. The thread that is inside may enter again (a use made
// of other uses). Entering costs an uncontended lock, nothing beside a
// statement's round trip; so the check stays on in every build.
#pragma once

#include <mutex>
#include <stdexcept>
#include <thread>

namespace zararod {

class ThreadUse {
 public:
  // Leaves the ThreadUse when it goes out of scope.
  class [[nodiscard]] Scope {
   public:
    explicit Scope(ThreadUse* use) : use_(use) {}
    ~Scope() { use_->leave(); }
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;

   private:
    ThreadUse* use_;
  };

  // Throws std::logic_error naming `what` when another thread is inside.
  Scope Enter(const char* what) {
    const std::lock_guard<std::mutex> lock(mutex_);
    const std::thread::id self = std::this_thread::get_id();
    if (depth_ > 0 && inside_ != self) {
      throw std::logic_error(std::string(what) +
                             ": used by a second thread while another uses it");
    }
    inside_ = self;
    ++depth_;
    return Scope(this);
  }

 private:
  void leave() {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (--depth_ == 0) inside_ = {};
  }

  std::mutex mutex_;
  std::thread::id inside_;
  int depth_ = 0;
};

}  // namespace zararod
