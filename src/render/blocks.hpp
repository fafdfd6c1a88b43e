#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "parser/document.hpp"
#include "render/settings.hpp"
#include "render/templates.hpp"

// Blocks of the document tree as HTML, each kind through its template and under its
// component switch, and the section anchors that the section template and the outline
// share.
namespace lorvane::render {

/// How deep templates nest: a section counts as one level, each admonition as one. A
/// section or admonition that would be filled deeper is rendered flat instead: its
/// children, in order, at the enclosing level without its template (and so on for
/// theirs), so no content is lost. Real documents stay far shallower (the injector nests
/// admonitions at most 32 deep); the bound keeps the work on any tree linear (every level
/// copies its content once) and the recursion shallow.
inline constexpr int kMaxTemplateDepth = 40;

/// How many copies of one block's output the enclosing templates may make. A template
/// that places its content twice (or a section title holding "{CONTENT}") doubles all that
/// is nested in it, so such templates nested n deep would write 2^n copies. A section or
/// admonition whose fill would take the product of the copies along its enclosing
/// templates beyond this bound is rendered flat as well. Templates that place their content
/// once never meet it.
inline constexpr std::size_t kMaxContentCopies = 64;

/// One block as HTML (possibly empty). A section or admonition renders its children as
/// well. Never fails; never recurses deeper than `kMaxTemplateDepth` levels; the output is
/// at most `kMaxContentCopies` times what the templates filled once each would write.
std::string render_block(const parser::Node& node, const TemplateSet& templates,
                         const RenderSettings& settings);

/// The `render_block` texts of `nodes`, in order.
std::vector<std::string> render_children(const parser::NodeList& nodes,
                                         const TemplateSet& templates,
                                         const RenderSettings& settings);

/// Appends the HTML of `nodes`, in order, with no separator (what joining
/// `render_children` gives), writing straight into `out`.
void append_blocks_html(std::string& out, const parser::NodeList& nodes,
                        const TemplateSet& templates, const RenderSettings& settings);

/// The paragraph template filled with the paragraph's HTML: the first line in bold when
/// the text holds a line feed.
std::string render_paragraph(std::string_view text, const TemplateSet& templates);

/// One "<li>" element with its nested items (fixed markup, nested items never bold),
/// ending in a line feed.
std::string render_list_item(const parser::ListItemNode& item, bool bold);
/// Append the items of a bullet list (an item is bold when it has children) and of an
/// ordered list (no item is bold).
void render_bullet_items(std::string& out, const std::vector<parser::ListItemNode>& items);
void render_ordered_items(std::string& out, const std::vector<parser::ListItemNode>& items);

/// The code_block template filled with the caption, the language ("plain" when absent)
/// and the escaped content.
std::string render_code_block(const parser::CodeBlockNode& code, const TemplateSet& templates);

/// The trimmed "title" hint when it is a string that is not blank, else the `level` as
/// written. Not escaped.
std::string admonition_title(const parser::AdmonitionNode& admonition);

/// The section's id: `slugify` of its `node_id`, or of number, "-" and title when the
/// identifier is empty.
std::string section_anchor(const parser::SectionNode& section);
/// Appends `section_anchor(section)`; it is made only of a-z, 0-9, "-" and "_", so it needs
/// no escaping.
void append_section_anchor(std::string& out, const parser::SectionNode& section);

/// ASCII letters lower-cased, ASCII digits, "-" and "_" kept, "." and white space as "-",
/// everything else dropped; then runs of "-" become one and "-" is trimmed at both ends.
std::string slugify(std::string_view text);

/// `text` under the Unicode default lower-case mapping (root locale, so the result does
/// not depend on the process locale).
std::string lower_case(std::string_view text);

}  // namespace lorvane::render
