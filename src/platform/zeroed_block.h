#pragma once
// A block of zero-valued elements that costs no writing: large blocks come as fresh pages from the
// system, which are zero already, so the first write to a cell is its only one. The large histories of a
// run are such blocks; zero-filling them beforehand doubled the memory traffic of the runs that fill them.
#include <cstddef>
#include <cstdlib>
#include <memory>
#include <new>
#include <type_traits>

namespace wl {

// Asks the system to back the block with huge pages where it can (fewer page faults when it is first
// written); nothing when it cannot.
void AdviseHugePages(void* p, std::size_t bytes);

template <class T>
class ZeroedBlock {
  static_assert(std::is_trivially_copyable_v<T>, "a zeroed block holds plain values whose zero bytes are zero");

 public:
  // n zero elements; the previous block is released first.
  void Reset(std::size_t n) {
    p_.reset();
    n_ = 0;
    if (n == 0) return;
    if (n > static_cast<std::size_t>(-1) / sizeof(T)) throw std::bad_alloc();
    p_.reset(static_cast<T*>(std::calloc(n, sizeof(T))));
    if (!p_) throw std::bad_alloc();
    n_ = n;
    AdviseHugePages(p_.get(), n * sizeof(T));
  }
  T* data() { return p_.get(); }
  const T* data() const { return p_.get(); }
  std::size_t size() const { return n_; }

 private:
  struct Free {
    void operator()(T* p) const { std::free(p); }
  };
  std::unique_ptr<T, Free> p_;
  std::size_t n_ = 0;
};

}  // namespace wl
