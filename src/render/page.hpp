#pragma once

#include <string>

#include "parser/document.hpp"
#include "render/settings.hpp"
#include "render/templates.hpp"

// The renderer's entry: one self-contained HTML page for a document.
namespace lorvane::render {

/// The page for `document`. Reads its settings from "SIDECAR/sidecar.yaml" below the
/// process working directory (defaults when that cannot be read), loads the ten templates
/// and the CSS files, embeds local images, and never fails or prints: every input that
/// cannot be read falls back.
std::string render_document_html(const parser::Document& document);

/// Assembles the page: blocks, intro, outline in the layout template, header, style
/// blocks, all filled into the base template. Reads only the CSS and image files.
std::string render_page(const parser::Document& document, const TemplateSet& templates,
                        const RenderSettings& settings);

}  // namespace lorvane::render
