// Links, nodes and the bidirectional position type of the lists in "lists/list.h".
#pragma once
#include <cassert>
#include <cstddef>
#include <iterator>
#include <type_traits>

#include "lists/list_element.h"

namespace lists {

// The list head is a bare ListLink; every element is a ListNode.
struct ListLink {
  ListLink* prev;  // last element for the head
  ListLink* next;  // first element for the head
};

template <ListValue T>
struct ListNode : ListLink {
  T value;
};

template <ListValue T>
class List;

// A position in a list: one node, or the list head (the position past the last
// element). ListIterator<const T> reads only; a ListIterator<T> converts to it.
// Two iterators are equal when they hold the same position. An iterator stays
// valid while its node exists, also when the list moves to another List object.
template <typename T>
  requires ListValue<std::remove_const_t<T>>
class ListIterator {
 public:
  using value_type = std::remove_const_t<T>;
  using difference_type = std::ptrdiff_t;
  using iterator_category = std::bidirectional_iterator_tag;
  using pointer = T*;
  using reference = T&;

  ListIterator() = default;
  template <typename U>
    requires std::same_as<const U, T> && (!std::same_as<U, T>)
  ListIterator(ListIterator<U> other) : position_(other.position_), head_(other.head_) {}

  // One step forward / backward; returns this iterator.
  ListIterator& Next() {
    position_ = position_->next;
    return *this;
  }
  ListIterator& Prev() {
    position_ = position_->prev;
    return *this;
  }
  // One step forward / backward; returns the position held before the step.
  ListIterator PostNext() {
    ListIterator before = *this;
    Next();
    return before;
  }
  ListIterator PostPrev() {
    ListIterator before = *this;
    Prev();
    return before;
  }

  // Address of the value in the node held. The list head has no value.
  T* Value() const {
    assert(position_ != head_ && "Value of the End position");
    return &static_cast<ListNode<value_type>*>(position_)->value;
  }

  T& operator*() const { return *Value(); }
  T* operator->() const { return Value(); }
  ListIterator& operator++() { return Next(); }
  ListIterator& operator--() { return Prev(); }
  ListIterator operator++(int) { return PostNext(); }
  ListIterator operator--(int) { return PostPrev(); }
  friend bool operator==(ListIterator a, ListIterator b) { return a.position_ == b.position_; }

 private:
  template <typename U>
    requires ListValue<std::remove_const_t<U>>
  friend class ListIterator;
  friend class List<value_type>;

  ListIterator(ListLink* position, const ListLink* head) : position_(position), head_(head) {}

  ListLink* position_ = nullptr;
  // The head of the list the position was taken from; only checked by assertions,
  // so that reading the value of End stops a debug build.
  const ListLink* head_ = nullptr;
};

}  // namespace lists
