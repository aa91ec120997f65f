// Typed linked lists: one circular doubly linked list with a head node, stored
// for ten element types (ListU8 ... ListF64).
//
//   lists::ListI32 list;                      // empty: Begin() == End()
//   list.PushBack(1);
//   list.PushFront(0);
//   for (auto it = list.Begin(); it != list.End(); it.Next()) Use(*it.Value());
//   for (int32_t v : list) Use(v);            // also std algorithms (bidirectional)
//   list.Remove(0);                           // erases every element equal to 0
//
// The List object is the head: its links point at itself while it is empty, and a
// copied or moved List relinks its nodes to its own head. Each element is one
// malloc block (two links and the value). No count is kept, so Size() walks.
//
// Allocation failure: an operation that needs a node it cannot get changes nothing.
// Insert and PushFront/PushBack then return End(); Insert of a range and Assign leave
// the list as it was; a copy-constructed list stays empty.
//
// Outside the contract (asserted in debug builds, unchecked otherwise): Front, Back,
// PopFront and PopBack on an empty list, Erase at End and the value of End.
// Not synchronised: callers sharing a list between threads lock it themselves.
#pragma once
#include <cassert>
#include <concepts>
#include <cstdint>
#include <cstdlib>

#include "lists/list_element.h"
#include "lists/list_iterator.h"

namespace lists {

template <ListValue T>
class List {
 public:
  using value_type = T;
  using iterator = ListIterator<T>;
  using const_iterator = ListIterator<const T>;

  // Init: an empty list. Destruction: Clear.
  List() { Init(); }
  ~List() { Clear(); }
  List(const List& other) : List() { Assign(other); }
  List(List&& other) noexcept : List() { SpliceBefore(&head_, other); }
  // Both assignment entry points copy by Assign, reusing this list's nodes.
  List& operator=(const List& other) {
    Assign(other);
    return *this;
  }
  List& operator=(List&& other) noexcept {
    if (this != &other) {
      Clear();
      SpliceBefore(&head_, other);
    }
    return *this;
  }

  void Assign(const List& other) {
    if (this != &other) Assign(other.Begin(), other.End());
  }
  // This list becomes copies of [first, last); the range may lie in this list.
  void Assign(const_iterator first, const_iterator last);
  // This list becomes count copies of value.
  void Assign(uint32_t count, const T& value);

  iterator Begin() { return MakeIterator(head_.next); }
  iterator End() { return MakeIterator(&head_); }
  const_iterator Begin() const { return const_cast<List*>(this)->Begin(); }
  const_iterator End() const { return const_cast<List*>(this)->End(); }
  iterator begin() { return Begin(); }
  iterator end() { return End(); }
  const_iterator begin() const { return Begin(); }
  const_iterator end() const { return End(); }

  // Address of the first / last value; the list must not be empty.
  T* Front() {
    assert(head_.next != &head_ && "Front of an empty list");
    return Begin().Value();
  }
  T* Back() {
    assert(head_.prev != &head_ && "Back of an empty list");
    return MakeIterator(head_.prev).Value();
  }
  const T* Front() const { return const_cast<List*>(this)->Front(); }
  const T* Back() const { return const_cast<List*>(this)->Back(); }

  iterator PushFront(const T& value) { return Insert(Begin(), value); }
  iterator PushBack(const T& value) { return Insert(End(), value); }
  void PopFront() { Erase(Begin()); }
  void PopBack() { Erase(MakeIterator(head_.prev)); }

  // A new node before position; returns it, or End() if no node could be allocated.
  iterator Insert(iterator position, const T& value);
  // count copies before position; returns the first of them, a null iterator
  // (iterator{}) when count is 0, or End() if the nodes could not be allocated.
  iterator Insert(iterator position, uint32_t count, const T& value);
  // Copies of [first, last) before position, in order; the range may lie in this list.
  void Insert(iterator position, const_iterator first, const_iterator last);

  // Unlinks and frees the node at position (not End); returns its follower.
  iterator Erase(iterator position);
  // Erases [first, last); returns last.
  iterator Erase(iterator first, iterator last);
  void Clear() { Erase(Begin(), End()); }

  // The number of elements, counted by walking the list.
  uint32_t Size() const;

  // Erases every element equal to value (ListElement<T>::Equal).
  void Remove(const T& value);
  // Erases every element for which predicate(const T* element) is true (non-zero).
  template <std::predicate<const T*> Predicate>
  void RemoveIf(Predicate predicate);

 private:
  using Node = ListNode<T>;

  void Init() { head_.prev = head_.next = &head_; }
  iterator MakeIterator(ListLink* position) { return iterator(position, &head_); }
  // Appends count copies / copies of [first, last); false when a node was missing.
  bool AppendCopies(uint32_t count, const T& value);
  bool AppendRange(const_iterator first, const_iterator last);
  // Moves all of other's nodes before position in this list; other ends empty.
  void SpliceBefore(ListLink* position, List& other);

  ListLink head_;
};

template <ListValue T>
typename List<T>::iterator List<T>::Insert(iterator position, const T& value) {
  Node* node = static_cast<Node*>(std::malloc(sizeof(Node)));
  if (node == nullptr) return End();
  node->value = value;
  ListLink* follower = position.position_;
  node->prev = follower->prev;
  node->next = follower;
  follower->prev->next = node;
  follower->prev = node;
  return MakeIterator(node);
}

template <ListValue T>
typename List<T>::iterator List<T>::Insert(iterator position, uint32_t count, const T& value) {
  if (count == 0) return iterator();
  // Built aside and spliced in whole, so that a failed allocation changes nothing.
  List copies;
  if (!copies.AppendCopies(count, value)) return End();
  ListLink* first = copies.head_.next;
  SpliceBefore(position.position_, copies);
  return MakeIterator(first);
}

template <ListValue T>
void List<T>::Insert(iterator position, const_iterator first, const_iterator last) {
  // Copying the whole range before linking any of it also keeps a range taken
  // from this list from growing while it is read.
  List copies;
  if (copies.AppendRange(first, last)) SpliceBefore(position.position_, copies);
}

template <ListValue T>
void List<T>::Assign(const_iterator first, const_iterator last) {
  // Find where this list or the source runs out before writing anything, so that
  // missing nodes for a longer source leave the list as it was.
  const_iterator split = first;
  for (const_iterator reused = Begin(); reused != End() && split != last; reused.Next()) {
    split.Next();
  }
  List extra;
  if (!extra.AppendRange(split, last)) return;
  // Reuse the existing nodes. A source inside this list never lies behind the
  // node being overwritten, so every source value is read before it can change.
  iterator out = Begin();
  for (const_iterator in = first; in != split; in.Next(), out.Next()) *out.Value() = *in.Value();
  Erase(out, End());
  SpliceBefore(&head_, extra);
}

template <ListValue T>
void List<T>::Assign(uint32_t count, const T& value) {
  const T copy = value;  // value may live in a node that is erased below
  uint32_t reused = 0;
  iterator split = Begin();
  while (split != End() && reused < count) {
    split.Next();
    ++reused;
  }
  List extra;
  if (!extra.AppendCopies(count - reused, copy)) return;
  for (iterator out = Begin(); out != split; out.Next()) *out.Value() = copy;
  Erase(split, End());
  SpliceBefore(&head_, extra);
}

template <ListValue T>
typename List<T>::iterator List<T>::Erase(iterator position) {
  assert(position.position_ != &head_ && "Erase at End");
  Node* node = static_cast<Node*>(position.position_);
  ListLink* follower = node->next;
  node->prev->next = follower;
  follower->prev = node->prev;
  ListElement<T>::Destroy(node->value);
  std::free(node);
  return MakeIterator(follower);
}

template <ListValue T>
typename List<T>::iterator List<T>::Erase(iterator first, iterator last) {
  while (first != last) first = Erase(first);
  return last;
}

template <ListValue T>
uint32_t List<T>::Size() const {
  uint32_t size = 0;
  for (const ListLink* link = head_.next; link != &head_; link = link->next) ++size;
  return size;
}

template <ListValue T>
void List<T>::Remove(const T& value) {
  const T target = value;  // value may be one of the elements erased
  RemoveIf([target](const T* element) { return ListElement<T>::Equal(*element, target); });
}

template <ListValue T>
template <std::predicate<const T*> Predicate>
void List<T>::RemoveIf(Predicate predicate) {
  for (iterator it = Begin(); it != End();) {
    iterator follower = it;
    follower.Next();  // noted before the node may go
    if (predicate(it.Value())) Erase(it);
    it = follower;
  }
}

template <ListValue T>
bool List<T>::AppendCopies(uint32_t count, const T& value) {
  for (; count > 0; --count) {
    if (PushBack(value) == End()) return false;
  }
  return true;
}

template <ListValue T>
bool List<T>::AppendRange(const_iterator first, const_iterator last) {
  for (; first != last; first.Next()) {
    if (PushBack(*first.Value()) == End()) return false;
  }
  return true;
}

template <ListValue T>
void List<T>::SpliceBefore(ListLink* position, List& other) {
  ListLink* first = other.head_.next;
  ListLink* last = other.head_.prev;
  if (first == &other.head_) return;
  ListLink* before = position->prev;
  before->next = first;
  first->prev = before;
  last->next = position;
  position->prev = last;
  other.Init();
}

using ListU8 = List<uint8_t>;
using ListU16 = List<uint16_t>;
using ListU32 = List<uint32_t>;
using ListU64 = List<uint64_t>;
using ListI8 = List<int8_t>;
using ListI16 = List<int16_t>;
using ListI32 = List<int32_t>;
using ListI64 = List<int64_t>;
using ListF32 = List<float>;
using ListF64 = List<double>;

// Compiled once, in list.cpp.
extern template class List<uint8_t>;
extern template class List<uint16_t>;
extern template class List<uint32_t>;
extern template class List<uint64_t>;
extern template class List<int8_t>;
extern template class List<int16_t>;
extern template class List<int32_t>;
extern template class List<int64_t>;
extern template class List<float>;
extern template class List<double>;

}  // namespace lists
