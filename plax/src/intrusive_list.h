// The engine's doubly linked lists (the registry, a record's address list,
// the host cache) keep their links in the records themselves, in fields named
// V_Next and V_Prev, with a first and a last pointer held by the owner. These
// two operations are the only code that rewires such links.
#pragma once

// Links `node` in after the last element.
template <typename Node>
void List_Append(Node*& first, Node*& last, Node* node) {
  node->V_Next = nullptr;
  node->V_Prev = last;
  if (last != nullptr) last->V_Next = node;
  if (first == nullptr) first = node;
  last = node;
}

// Takes `node` out of the list; its own links are cleared.
template <typename Node>
void List_Unlink(Node*& first, Node*& last, Node* node) {
  if (first == node) first = node->V_Next;
  if (last == node) last = node->V_Prev;
  if (node->V_Prev != nullptr) node->V_Prev->V_Next = node->V_Next;
  if (node->V_Next != nullptr) node->V_Next->V_Prev = node->V_Prev;
  node->V_Next = nullptr;
  node->V_Prev = nullptr;
}
