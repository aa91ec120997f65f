// The ten stored list types, compiled once for every user of "lists/list.h".
#include "lists/list.h"

namespace lists {

template class List<uint8_t>;
template class List<uint16_t>;
template class List<uint32_t>;
template class List<uint64_t>;
template class List<int8_t>;
template class List<int16_t>;
template class List<int32_t>;
template class List<int64_t>;
template class List<float>;
template class List<double>;

}  // namespace lists
