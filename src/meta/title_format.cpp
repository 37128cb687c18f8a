#include "meta/title_format.h"

#include "meta/title_format_nodes.h"

namespace lumo {

void title_format_output::append(const char* text, ptrdiff_t length) {
  if (!text) return;
  append(length < 0 ? std::string_view(text) : std::string_view(text, size_t(length)));
}

void title_format_output::append_capped(std::string_view text) {
  if (text_.size() >= max_bytes_) return;
  text_.append(text.substr(0, max_bytes_ - text_.size()));
}

void title_format_output::append_repeated(std::string_view text, size_t count) {
  for (size_t i = 0; i < count && !is_full(); ++i) append(text);
}

void title_format_text_filter::write(title_format_output& out, std::string_view text,
                                     title_format_text_kind) const {
  write_filtered_default(out, text);
}

void write_filtered_values_default(title_format_output& out, std::string_view text) {
  constexpr std::string_view stored_separator = "; ";
  size_t run = 0;
  for (size_t i = find_control_byte(text, 0, ';'); i != std::string_view::npos;
       i = find_control_byte(text, i + 1, ';')) {
    out.append(text.substr(run, i - run));
    if (text[i] != ';') {
      out.append_char('_');
      run = i + 1;
    } else if (text.substr(i, 2) == stored_separator) {
      out.append(", ");
      run = i + 2;
      ++i;
    } else {
      out.append_char(';');
      run = i + 1;
    }
  }
  out.append(text.substr(run));
}

namespace {
const title_format_text_filter g_default_filter;
}  // namespace

const title_format_text_filter& default_text_filter() {
  return g_default_filter;
}

bool title_format_args::evaluate(size_t index, title_format_output& out) const {
  if (index >= nodes_.size()) return false;
  return nodes_[index]->evaluate(context_, out);
}

title_format_node_ptr title_format_node::fold(const title_format_node_ptr& self) const {
  if (!is_constant()) return self;
  title_format_null_hook hook;
  title_format_context context{&hook, &default_text_filter(), {}, true};
  context.is_default_filter = true;
  std::string text;
  title_format_output out(text);
  bool found = evaluate(context, out);
  return std::make_shared<tf_literal_node>(std::move(text), found);
}

tf_child make_tf_child(const title_format_node_ptr& node) {
  const title_format_node* p = node.get();
  if (dynamic_cast<const tf_literal_node*>(p)) return {tf_child::kind::literal, p};
  if (dynamic_cast<const tf_field_node*>(p)) return {tf_child::kind::field, p};
  if (dynamic_cast<const tf_conditional_node*>(p)) return {tf_child::kind::conditional, p};
  return {tf_child::kind::other, p};
}

bool evaluate_tf_child(const tf_child& child, title_format_context& context,
                       title_format_output& out) {
  switch (child.node_kind) {
    case tf_child::kind::literal:
      return static_cast<const tf_literal_node*>(child.node)
          ->tf_literal_node::evaluate(context, out);
    case tf_child::kind::field:
      return static_cast<const tf_field_node*>(child.node)->tf_field_node::evaluate(context, out);
    case tf_child::kind::conditional:
      return static_cast<const tf_conditional_node*>(child.node)
          ->tf_conditional_node::evaluate(context, out);
    default: return child.node->evaluate(context, out);
  }
}

bool tf_literal_node::evaluate(title_format_context&, title_format_output& out) const {
  out.append(text_);
  return found_;
}

tf_field_node::tf_field_node(std::string name)
    : name_(std::move(name)), known_(find_known_field(name_)) {}

bool tf_field_node::evaluate(title_format_context& context, title_format_output& out) const {
  title_format_field_output field_out(out, *context.filter, context.is_default_filter);
  bool found = false;
  if (!context.hook->process_known_field(field_out, name_, known_, found)) {
    out.append_char('?');
    return false;
  }
  return found;
}

bool tf_conditional_node::evaluate(title_format_context& context, title_format_output& out) const {
  size_t mark = out.mark();
  bool found = evaluate_tf_child(dispatch_, context, out);
  if (!found) out.truncate(mark);
  return found;
}

title_format_node_ptr tf_conditional_node::fold(const title_format_node_ptr& self) const {
  if (is_constant()) return title_format_node::fold(self);
  auto child = child_->fold(child_);
  if (child == child_) return self;
  return std::make_shared<tf_conditional_node>(std::move(child));
}

namespace {

// Folds each argument; returns null when none changed.
std::vector<title_format_node_ptr> fold_all(const std::vector<title_format_node_ptr>& nodes,
                                            bool& changed) {
  std::vector<title_format_node_ptr> folded;
  folded.reserve(nodes.size());
  changed = false;
  for (const auto& node : nodes) {
    folded.push_back(node->fold(node));
    if (folded.back() != node) changed = true;
  }
  return folded;
}

}  // namespace

bool tf_call_node::evaluate(title_format_context& context, title_format_output& out) const {
  title_format_args args(args_, context);
  return function_.handler(args, out);
}

bool tf_call_node::is_constant() const {
  if (!function_.is_pure) return false;
  for (const auto& arg : args_)
    if (!arg->is_constant()) return false;
  return true;
}

title_format_node_ptr tf_call_node::fold(const title_format_node_ptr& self) const {
  if (is_constant()) return title_format_node::fold(self);
  bool changed = false;
  auto args = fold_all(args_, changed);
  if (!changed) return self;
  return std::make_shared<tf_call_node>(function_, std::move(args));
}

bool tf_unknown_call_node::evaluate(title_format_context& context, title_format_output& out) const {
  title_format_args args(args_, context);
  title_format_field_output field_out(out, *context.filter);
  bool found = false;
  if (!context.hook->process_function(field_out, name_, args, found)) {
    out.append("[UNKNOWN FUNCTION]");
    return false;
  }
  return found;
}

title_format_node_ptr tf_unknown_call_node::fold(const title_format_node_ptr& self) const {
  bool changed = false;
  auto args = fold_all(args_, changed);
  if (!changed) return self;
  return std::make_shared<tf_unknown_call_node>(name_, std::move(args));
}

tf_sequence_node::tf_sequence_node(std::vector<title_format_node_ptr> children)
    : children_(std::move(children)) {
  dispatch_.reserve(children_.size());
  for (const auto& child : children_) dispatch_.push_back(make_tf_child(child));
}

bool tf_sequence_node::evaluate(title_format_context& context, title_format_output& out) const {
  bool found = false;
  for (const auto& child : dispatch_)
    if (evaluate_tf_child(child, context, out)) found = true;
  return found;
}

bool tf_sequence_node::is_constant() const {
  for (const auto& child : children_)
    if (!child->is_constant()) return false;
  return true;
}

title_format_node_ptr tf_sequence_node::fold(const title_format_node_ptr& self) const {
  if (is_constant()) return title_format_node::fold(self);
  bool changed = false;
  auto children = fold_all(children_, changed);
  if (!changed) return self;
  return std::make_shared<tf_sequence_node>(std::move(children));
}

title_format_node_ptr tf_flat_node::try_flatten(const title_format_node_ptr& root) {
  auto flat = std::make_shared<tf_flat_node>();
  if (!flat->add(root, 0)) return nullptr;
  flat->tree_ = root;
  flat->build_operations();
  return flat;
}

bool tf_flat_node::add(const title_format_node_ptr& node, int depth) {
  const title_format_node* p = node.get();
  if (auto* literal = dynamic_cast<const tf_literal_node*>(p)) {
    steps_.push_back({step::kind::literal, literal->found(), 0, 0, 0, literal->text(), nullptr});
    if (literal->found()) has_found_literal_ = true;
    literal_bytes_ += literal->text().size();
    return true;
  }
  if (auto* field = dynamic_cast<const tf_field_node*>(p)) {
    steps_.push_back({step::kind::field, false, uint32_t(fields_.size()), 0, 0, {}, field});
    fields_.push_back(field->known());
    return true;
  }
  if (auto* sequence = dynamic_cast<const tf_sequence_node*>(p)) {
    for (const auto& child : sequence->children())
      if (!add(child, depth)) return false;
    return true;
  }
  if (auto* block = dynamic_cast<const tf_conditional_node*>(p)) {
    if (depth + 1 >= max_depth) return false;
    const size_t begin = steps_.size();
    const size_t first_field = fields_.size();
    steps_.push_back({step::kind::block_begin, false, 0, 0, 0, {}, nullptr});
    if (!add(block->child(), depth + 1)) return false;
    steps_.push_back({step::kind::block_end, false, 0, 0, 0, {}, nullptr});
    step& opening = steps_[begin];
    opening.block_end = uint32_t(steps_.size());
    for (size_t i = first_field; i < fields_.size() && i < 32; ++i) opening.block_fields |= 1u << i;
    for (size_t i = begin + 1; i < steps_.size(); ++i)
      if (steps_[i].step_kind == step::kind::literal && steps_[i].found) opening.found = true;
    return true;
  }
  return false;
}

void tf_flat_node::padded_text::set(std::string_view text) {
  size = uint8_t(std::min(text.size(), padded_bytes));
  std::memcpy(bytes, text.data(), size);
}

void tf_flat_node::build_operations() {
  std::vector<size_t> open_blocks;
  // Whether the last operation can still take a field (then a literal) or a literal.
  bool can_take_field = false;
  bool can_take_after = false;
  for (const step& s : steps_) {
    switch (s.step_kind) {
      case step::kind::literal: {
        std::string_view text = s.text;
        do {
          std::string_view piece = text.substr(0, padded_text::padded_bytes);
          text.remove_prefix(piece.size());
          if (can_take_after) {
            operations_.back().after.set(piece);
            can_take_field = can_take_after = false;
          } else {
            operation o;
            o.before.set(piece);
            operations_.push_back(o);
            can_take_field = true;
          }
        } while (!text.empty());
        break;
      }
      case step::kind::field:
        if (can_take_field) {
          operations_.back().field = s.field_index;
        } else {
          operation o;
          o.field = s.field_index;
          operations_.push_back(o);
        }
        can_take_field = false;
        can_take_after = true;
        break;
      case step::kind::block_begin: {
        operation o;
        o.is_block = true;
        o.block_found = s.found;
        o.block_fields = s.block_fields;
        open_blocks.push_back(operations_.size());
        operations_.push_back(o);
        can_take_field = can_take_after = false;
        break;
      }
      case step::kind::block_end:
        operations_[open_blocks.back()].block_end = uint32_t(operations_.size());
        open_blocks.pop_back();
        can_take_field = can_take_after = false;
        break;
    }
  }
}

namespace {

using value_kind = title_format_field_value::kind;

// Writes a value the provider resolved ahead (not an unresolved one); the default filter
// is in effect.
inline void write_resolved_value(const title_format_field_value& value, title_format_output& out) {
  switch (value.value_kind) {
    case value_kind::text:
      if (!value.prefix.empty()) out.append(value.prefix);
      write_filtered_default(out, value.text);
      return;
    case value_kind::values:
      if (!value.prefix.empty()) out.append(value.prefix);
      // Most values hold neither a separator nor a control byte.
      if (is_plain_text(value.text, ';'))
        out.append(value.text);
      else
        write_filtered_values_default(out, value.text);
      return;
    default: out.append_char('?'); return;
  }
}

// The found kinds sort last, so that this needs no branch.
static_assert(value_kind::text > value_kind::missing && value_kind::values > value_kind::text);
inline bool is_found_value(const title_format_field_value& value) {
  return value.value_kind >= value_kind::text;
}

// Sixteen bytes at a time through the compiler's vector types (SSE2 on x86-64).
using bytes16 = unsigned char __attribute__((vector_size(16)));

// Non-zero in each byte that is below 0x20 or equal to extra.
template <unsigned char extra>
inline bytes16 hit_bytes(bytes16 v) {
  return bytes16((v & 0xE0) == 0) | bytes16(v == extra);
}
inline bool any_byte(bytes16 v) {
  uint64_t halves[2];
  std::memcpy(halves, &v, 16);
  return (halves[0] | halves[1]) != 0;
}

// Bit 7 of a byte is set when that byte is below 0x20 or equal to the byte repeated in
// `extras`; exact for "any byte", as in is_plain_text.
inline uint32_t hit_bits(uint32_t v, uint32_t extras) {
  constexpr uint32_t ones = 0x01010101u;
  uint32_t x = v ^ extras;
  return (((v - ones * 0x20) & ~v) | ((x - ones) & ~x)) & (ones * 0x80);
}

// Copies text to `to` and tells whether some byte of it is below 0x20 or equal to
// `extra`, reading each byte once. Views are made of short values, where a call to
// memcpy and a second pass to look at the bytes cost more than the copy itself.
template <unsigned char extra>
[[gnu::always_inline]] inline bool copy_and_check(char* to, std::string_view text) {
  const char* from = text.data();
  const size_t n = text.size();
  if (n >= 16) {
    bytes16 hits{};
    bytes16 v;
    for (size_t i = 0; i + 16 < n; i += 16) {
      std::memcpy(&v, from + i, 16);
      std::memcpy(to + i, &v, 16);
      hits |= hit_bytes<extra>(v);
    }
    // The last chunk overlaps bytes already copied, which does no harm.
    std::memcpy(&v, from + n - 16, 16);
    std::memcpy(to + n - 16, &v, 16);
    return any_byte(hits | hit_bytes<extra>(v));
  }
  if (n >= 8) {
    // The first and the last eight bytes, overlapping, looked at together.
    uint64_t words[2];
    std::memcpy(&words[0], from, 8);
    std::memcpy(&words[1], from + n - 8, 8);
    std::memcpy(to, &words[0], 8);
    std::memcpy(to + n - 8, &words[1], 8);
    bytes16 v;
    std::memcpy(&v, words, 16);
    return any_byte(hit_bytes<extra>(v));
  }
  if (n >= 4) {
    constexpr uint32_t extras = 0x01010101u * extra;
    uint32_t head, tail;
    std::memcpy(&head, from, 4);
    std::memcpy(&tail, from + n - 4, 4);
    std::memcpy(to, &head, 4);
    std::memcpy(to + n - 4, &tail, 4);
    return (hit_bits(head, extras) | hit_bits(tail, extras)) != 0;
  }
  if (n == 0) return false;
  // Bytes 0, n / 2 and n - 1 are every byte of a text of one to three.
  const auto a = static_cast<unsigned char>(from[0]);
  const auto b = static_cast<unsigned char>(from[n / 2]);
  const auto c = static_cast<unsigned char>(from[n - 1]);
  to[0] = char(a);
  to[n / 2] = char(b);
  to[n - 1] = char(c);
  return (a < 0x20) | (b < 0x20) | (c < 0x20) | (a == extra) | (b == extra) | (c == extra);
}

// Copies a short text without calling memcpy, for the same reason.
[[gnu::always_inline]] inline char* copy_text(char* to, std::string_view text) {
  const char* from = text.data();
  const size_t n = text.size();
  if (n >= 8) {
    uint64_t v;
    for (size_t i = 0; i + 8 < n; i += 8) {
      std::memcpy(&v, from + i, 8);
      std::memcpy(to + i, &v, 8);
    }
    std::memcpy(&v, from + n - 8, 8);
    std::memcpy(to + n - 8, &v, 8);
  } else if (n >= 4) {
    uint32_t head, tail;
    std::memcpy(&head, from, 4);
    std::memcpy(&tail, from + n - 4, 4);
    std::memcpy(to, &head, 4);
    std::memcpy(to + n - 4, &tail, 4);
  } else if (n > 0) {
    const char a = from[0], b = from[n / 2], c = from[n - 1];
    to[0] = a;
    to[n / 2] = b;
    to[n - 1] = c;
  }
  return to + n;
}

// The default filter keeps every length ("_" for a control byte, ", " for "; "), so a
// value can be copied first and filtered where it landed.
void filter_in_place(char* begin, char* end, bool is_values) {
  for (char* p = begin; p < end; ++p) {
    auto c = static_cast<unsigned char>(*p);
    if (c < 0x20)
      *p = '_';
    else if (c == ';' && is_values && p + 1 < end && p[1] == ' ')
      *p++ = ',';
  }
}

// Writes a resolved value (not an unresolved one) to `to`, taking at most its prefix,
// its text and one byte more.
inline char* write_resolved_raw(const title_format_field_value& value, char* to) {
  if (!is_found_value(value)) {
    *to = '?';
    return to + 1;
  }
  if (!value.prefix.empty()) to = copy_text(to, value.prefix);
  // Most values hold neither a separator nor a control byte.
  if (value.value_kind == value_kind::values) {
    if (copy_and_check<';'>(to, value.text)) filter_in_place(to, to + value.text.size(), true);
  } else {
    if (copy_and_check<0>(to, value.text)) filter_in_place(to, to + value.text.size(), false);
  }
  return to + value.text.size();
}

}  // namespace

// With every field's found flag known up front, so is every block's: a block shows when
// a found field or a found literal is inside it, however deep. Blocks that do not show are
// skipped without writing them, and the text is built on the stack and appended once; the
// cap then cuts the whole where it would have cut the pieces.
[[gnu::always_inline]] inline bool tf_flat_node::evaluate_decided(
    title_format_context& context, title_format_output& out, const title_format_field_value* values,
    uint32_t found_fields, size_t most_bytes) const {
  char buffer[decided_buffer_bytes + decided_buffer_slack];
  if (most_bytes > decided_buffer_bytes) return evaluate_steps(context, out, values);
  char* to = buffer;
  auto write_literal = [&to](const padded_text& literal) {
    std::memcpy(to, literal.bytes, padded_text::padded_bytes);
    to += literal.size;
  };
  const operation* const first = operations_.data();
  const operation* const last = first + operations_.size();
  for (const operation* o = first; o != last;) {
    if (o->is_block) {
      o = (o->block_found || (o->block_fields & found_fields)) ? o + 1 : first + o->block_end;
      continue;
    }
    write_literal(o->before);
    if (o->field != operation::no_field) to = write_resolved_raw(values[o->field], to);
    write_literal(o->after);
    ++o;
  }
  out.append(std::string_view(buffer, size_t(to - buffer)));
  // Every found field and found literal is written, since the blocks around it show.
  return has_found_literal_ || found_fields != 0;
}

bool tf_flat_node::evaluate(title_format_context& context, title_format_output& out) const {
  // Left uninitialised: the provider fills what the script uses, and clearing the whole
  // array would cost as much as resolving the fields.
  union value_buffer {
    value_buffer() {}
    title_format_field_value values[max_resolved_fields];
  } buffer;
  const bool resolved =
      context.is_default_filter && !fields_.empty() && fields_.size() <= max_resolved_fields &&
      context.hook->resolve_known_fields(fields_.data(), fields_.size(), buffer.values);
  if (!resolved) return evaluate_steps(context, out, nullptr);
  uint32_t found_fields = 0;
  bool any_unresolved = false;
  size_t most_bytes = literal_bytes_;
  for (size_t i = 0; i < fields_.size(); ++i) {
    const title_format_field_value& value = buffer.values[i];
    found_fields |= uint32_t(is_found_value(value)) << i;
    any_unresolved |= value.value_kind == value_kind::unresolved;
    most_bytes += value.prefix.size() + value.text.size() + 1;
  }
  if (any_unresolved) return evaluate_steps(context, out, buffer.values);
  return evaluate_decided(context, out, buffer.values, found_fields, most_bytes);
}

// A sequence's found flag is the OR of its children's and a block passes its child's on, so
// one flag per open block is all the state there is. `values` holds the fields resolved
// ahead, or is null when each field asks the provider itself.
bool tf_flat_node::evaluate_steps(title_format_context& context, title_format_output& out,
                                  const title_format_field_value* values) const {
  // The enclosing level's mark and found flag; the open block's flag stays in a register.
  struct frame {
    size_t mark;
    bool found;
  };
  frame stack[max_depth];
  int top = 0;
  bool found = false;
  for (const step& s : steps_) {
    switch (s.step_kind) {
      case step::kind::literal:
        out.append(s.text);
        found |= s.found;
        break;
      case step::kind::field:
        if (values && values[s.field_index].value_kind != value_kind::unresolved) {
          write_resolved_value(values[s.field_index], out);
          found |= is_found_value(values[s.field_index]);
        } else {
          found |= s.field->tf_field_node::evaluate(context, out);
        }
        break;
      case step::kind::block_begin:
        stack[top++] = {out.mark(), found};
        found = false;
        break;
      case step::kind::block_end: {
        const frame& f = stack[--top];
        if (!found) out.truncate(f.mark);
        found |= f.found;
        break;
      }
    }
  }
  return found;
}

bool title_format_script::evaluate(title_format_hook& hook, title_format_output& out,
                                   const title_format_text_filter* filter) const {
  if (!root_) return false;
  title_format_context context{&hook, filter ? filter : &default_text_filter(), {}, false};
  context.is_default_filter = context.filter == &default_text_filter();
  return root_->evaluate(context, out);
}

std::string title_format_script::format(title_format_hook& hook, bool* found) const {
  std::string text;
  title_format_output out(text);
  bool result = evaluate(hook, out);
  if (found) *found = result;
  return text;
}

}  // namespace lumo
