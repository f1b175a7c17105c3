// Reloading a handler's stores all or nothing.
#ifndef STRELL_HANDLER_STORE_RELOAD_H_
#define STRELL_HANDLER_STORE_RELOAD_H_

#include <tuple>
#include <utility>

namespace store_reload_detail {

template <typename Held, typename Live, size_t... Index>
void swapEach(Held& held, Live live, std::index_sequence<Index...>) {
  (std::get<Index>(held).swap(std::get<Index>(live)), ...);
}

}  // namespace store_reload_detail

// Empties `stores` (vectors), runs `load` to fill them again, and returns.
// If `load` throws (memory ran out), the stores get back exactly what they
// held before and the exception goes on to the export's catch: a handler then
// answers from its previous configuration, never from a store that is half
// new and half old or half built. Setting the stores aside and putting them
// back are swaps, which neither allocate nor throw.
template <typename Load, typename... Stores>
void reloadStores(Load&& load, Stores&... stores) {
  std::tuple<Stores...> previous;
  const auto indexes = std::index_sequence_for<Stores...>{};
  store_reload_detail::swapEach(previous, std::tie(stores...), indexes);
  try {
    load();
  } catch (...) {
    store_reload_detail::swapEach(previous, std::tie(stores...), indexes);
    throw;
  }
}

#endif  // STRELL_HANDLER_STORE_RELOAD_H_
