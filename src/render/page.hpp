#pragma once

#include <cstddef>
#include <string>

#include "parser/document.hpp"
#include "render/fill.hpp"
#include "render/settings.hpp"
#include "render/templates.hpp"

// The renderer's entry: one self-contained HTML page for a document.
namespace lorvane::render {

/// The page for `document`. Reads its settings from "SIDECAR/sidecar.yaml" below the
/// process working directory (defaults when that cannot be read), loads the ten templates
/// and the CSS files, embeds local images, and never fails or prints: every input that
/// cannot be read falls back.
std::string render_document_html(const parser::Document& document);

/// The fill budget (see FillBudget) of a page: 16 times every byte that the page is made
/// of, plus 64 MiB. Counted are the document's text, the templates, the settings' texts,
/// the CSS files and the images as data URIs (each file once, however many figures show
/// it), the logo among them. A page that the literal fill would make no longer than that
/// is filled exactly. Reads the sizes of the CSS and image files as they are now. The
/// document's text and images are counted only once the rest does not suffice (a walk
/// over the whole tree that ordinary pages never need), so the budget must not outlive
/// `document` and `settings`.
FillBudget page_budget(const parser::Document& document, const TemplateSet& templates,
                       const RenderSettings& settings);

/// Assembles the page: blocks, intro, outline in the layout template, header, style
/// blocks, all filled into the base template, paying from `budget` (which is left with
/// what remains). Reads only the CSS and image files.
std::string render_page(const parser::Document& document, const TemplateSet& templates,
                        const RenderSettings& settings, FillBudget& budget);

}  // namespace lorvane::render
