#pragma once
// Makes the page of a page id, for the main dialog to create on first use.
#include <functional>
#include <memory>

class CBasePage;

// The page of that id, or nullptr when the program has no such page.
std::unique_ptr<CBasePage> CreatePageById(int pageId);

using PageFactory = std::function<std::unique_ptr<CBasePage>(int pageId)>;
