#pragma once
// The node kinds of a compiled script. Internal to the meta module.

#include <string>
#include <vector>

#include "meta/title_format.h"
#include "meta/title_format_fields.h"
#include "meta/title_format_functions.h"

namespace lumo {

// A child node with its kind, resolved once when the tree is built.
struct tf_child {
  enum class kind : uint8_t { literal, field, conditional, other };
  kind node_kind;
  const title_format_node* node;
};
tf_child make_tf_child(const title_format_node_ptr& node);
// Evaluates a child, calling literal, field and conditional nodes without a virtual call.
bool evaluate_tf_child(const tf_child& child, title_format_context& context,
                       title_format_output& out);

class tf_literal_node final : public title_format_node {
 public:
  tf_literal_node(std::string text, bool found) : text_(std::move(text)), found_(found) {}
  bool evaluate(title_format_context& context, title_format_output& out) const override;
  bool is_constant() const override { return true; }
  title_format_node_ptr fold(const title_format_node_ptr& self) const override { return self; }
  const std::string& text() const { return text_; }
  bool found() const { return found_; }

 private:
  std::string text_;
  bool found_;
};

class tf_field_node final : public title_format_node {
 public:
  explicit tf_field_node(std::string name);
  bool evaluate(title_format_context& context, title_format_output& out) const override;
  bool is_constant() const override { return false; }
  title_format_node_ptr fold(const title_format_node_ptr& self) const override { return self; }
  special_field known() const { return known_; }

 private:
  std::string name_;
  special_field known_;
};

class tf_conditional_node final : public title_format_node {
 public:
  explicit tf_conditional_node(title_format_node_ptr child)
      : child_(std::move(child)), dispatch_(make_tf_child(child_)) {}
  bool evaluate(title_format_context& context, title_format_output& out) const override;
  bool is_constant() const override { return child_->is_constant(); }
  title_format_node_ptr fold(const title_format_node_ptr& self) const override;
  const title_format_node_ptr& child() const { return child_; }

 private:
  title_format_node_ptr child_;
  tf_child dispatch_;
};

class tf_call_node final : public title_format_node {
 public:
  tf_call_node(const title_format_function_entry& function, std::vector<title_format_node_ptr> args)
      : function_(function), args_(std::move(args)) {}
  bool evaluate(title_format_context& context, title_format_output& out) const override;
  bool is_constant() const override;
  title_format_node_ptr fold(const title_format_node_ptr& self) const override;

 private:
  const title_format_function_entry& function_;
  std::vector<title_format_node_ptr> args_;
};

class tf_unknown_call_node final : public title_format_node {
 public:
  tf_unknown_call_node(std::string name, std::vector<title_format_node_ptr> args)
      : name_(std::move(name)), args_(std::move(args)) {}
  bool evaluate(title_format_context& context, title_format_output& out) const override;
  bool is_constant() const override { return false; }
  title_format_node_ptr fold(const title_format_node_ptr& self) const override;

 private:
  std::string name_;
  std::vector<title_format_node_ptr> args_;
};

class tf_sequence_node final : public title_format_node {
 public:
  explicit tf_sequence_node(std::vector<title_format_node_ptr> children);
  bool evaluate(title_format_context& context, title_format_output& out) const override;
  bool is_constant() const override;
  title_format_node_ptr fold(const title_format_node_ptr& self) const override;
  const std::vector<title_format_node_ptr>& children() const { return children_; }

 private:
  std::vector<title_format_node_ptr> children_;
  // The children again with their kind, so that evaluation can call the common kinds
  // directly instead of through the virtual table (list views run this for every row).
  std::vector<tf_child> dispatch_;
};

// A tree made only of literals, fields, blocks and sequences, laid out as a flat list of
// steps and run by one loop without recursion or virtual calls between the steps. Most
// display scripts ("[[%discnumber%.]%tracknumber%. ]%title%") are of this shape.
class tf_flat_node final : public title_format_node {
 public:
  // Null when the tree holds other kinds or nests deeper than the loop's stack.
  static title_format_node_ptr try_flatten(const title_format_node_ptr& root);

  bool evaluate(title_format_context& context, title_format_output& out) const override;
  bool is_constant() const override { return false; }
  title_format_node_ptr fold(const title_format_node_ptr& self) const override { return self; }

 private:
  static constexpr int max_depth = 32;
  // Scripts with more fields resolve them one by one.
  static constexpr size_t max_resolved_fields = 16;
  // Rows longer than this are written piece by piece.
  static constexpr size_t decided_buffer_bytes = 512;
  // What a padded literal may write past the end of a row.
  static constexpr size_t decided_buffer_slack = 16;

  struct step {
    enum class kind : uint8_t { literal, field, block_begin, block_end };
    kind step_kind;
    // literal: its found flag; block_begin: whether a found literal is inside.
    bool found;
    uint32_t field_index;        // field: its place in fields_
    uint32_t block_fields;       // block_begin: bit i set when field i is inside (first 32)
    uint32_t block_end;          // block_begin: the index of the step after its block_end
    std::string_view text;       // literal: its text (owned by the kept tree)
    const tf_field_node* field;  // field: the node
  };

  // Up to sixteen bytes of a literal, padded, so that copying one is a single sixteen-byte
  // move into a buffer with room to spare, with no test of its length. Longer literals
  // are split over several operations.
  struct padded_text {
    static constexpr size_t padded_bytes = 16;
    alignas(padded_bytes) char bytes[padded_bytes] = {};
    size_t size = 0;
    void set(std::string_view text);
  };

  // The steps again for evaluations whose fields are all resolved ahead: a literal, a
  // field and a literal in one operation, and blocks as a test that jumps past them.
  struct operation {
    static constexpr uint32_t no_field = ~uint32_t{0};
    padded_text before;         // written first
    padded_text after;          // written after the field
    uint32_t field = no_field;  // index into fields_
    bool is_block = false;
    bool block_found = false;   // block: a found literal is inside
    uint32_t block_fields = 0;  // block: bit i set when field i is inside
    uint32_t block_end = 0;     // block: the index of the operation after it
  };

  bool add(const title_format_node_ptr& node, int depth);
  void build_operations();
  bool evaluate_steps(title_format_context& context, title_format_output& out,
                      const title_format_field_value* values) const;
  bool evaluate_decided(title_format_context& context, title_format_output& out,
                        const title_format_field_value* values, uint32_t found_fields,
                        size_t most_bytes) const;

  title_format_node_ptr tree_;  // keeps the nodes the steps point into alive
  std::vector<step> steps_;
  std::vector<operation> operations_;
  std::vector<special_field> fields_;  // the field steps' ids, in order
  bool has_found_literal_ = false;
  size_t literal_bytes_ = 0;  // all literal steps' text together
};

}  // namespace lumo
