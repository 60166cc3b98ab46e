#pragma once
// The program's own XML and HTML reader. It holds a whole document as one wide
// string (or as the UTF-8 text it came in, SetDocUtf8), builds an index of its
// elements in one pass, and navigates that index with three positions (parent,
// main, child) without a tree of objects. Names and attributes are compared in
// place in the document text; an attribute's value is made wide when asked for.
//
// wchar_t is 32 bits here, so the document holds one wchar_t per code point:
// a UTF-16 file's surrogate pairs are joined when it is read, and a numeric
// reference from 0x10000 on gives one character, not a pair.
//
// The result text records, as small XML elements, what loading and parsing
// found: "bom", "read", "nulls_removed", "endian_swap", "utf8_detection",
// "converted_to", "truncation_error", "file_error", the syntax errors
// ("first_tag_syntax", "doctype_tag_syntax", "exclamation_tag_syntax",
// "comment_tag_syntax", "cdata_section_syntax", "unterminated_tag_syntax"),
// "lone_end_tag", "unended_start_tag", "no_root_element", "root_has_sibling".
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class CMarkup {
public:
    // Document flags.
    enum : int {
        MDF_UTF16LEFILE = 0x01,
        MDF_UTF8PREAMBLE = 0x04,
        MDF_IGNORECASE = 0x08, // compare names without regard to ASCII case
        MDF_READFILE = 0x10,   // file streaming modes: not used by this program,
        MDF_WRITEFILE = 0x20,  // they only disable navigation as they did
        MDF_UTF16BEFILE = 0x80,
    };

    explicit CMarkup(const wchar_t* text = nullptr);
    explicit CMarkup(const std::wstring& text);
    ~CMarkup();
    CMarkup(const CMarkup&) = delete;
    CMarkup& operator=(const CMarkup&) = delete;

    // Takes the text (null: empty) as the document and parses it; true when
    // it is well-formed. False without change in a file mode.
    bool SetDoc(const wchar_t* text);
    // Taken over, not copied, when the caller gives its text away.
    bool SetDoc(std::wstring text);
    // UTF-8 text taken as the document as it is, with no wide copy of it: a
    // large document costs its bytes, not four times as many. Elements,
    // names and attribute values are those of SetDoc(Utf8ToWide(text)); the
    // offsets in the result text count bytes. GetDoc is empty then, and
    // TraceText null.
    bool SetDocUtf8(std::string text);
    // Reads a file in its encoding (ReadTextFile) and parses it; false when the
    // file cannot be read or is not well-formed.
    bool Load(const std::wstring& fileName);
    // Reads a whole file into wide text: byte-order mark, declared encoding
    // (<?xml encoding=...?> or an HTML meta Content-Type charset), else UTF-8
    // detection. Appends what it found to *result; updates the byte-order-mark
    // flags in *docFlags. False when the file cannot be read.
    static bool ReadTextFile(const std::wstring& fileName, std::wstring& doc, std::wstring* result = nullptr,
                             int* docFlags = nullptr);
    // Rebuilds the index from the document; true when it is well-formed.
    // Positions go back to the top of the document.
    bool ParseDoc();
    bool IsWellFormed() const;

    const std::wstring& GetDoc() const { return m_strDoc; }
    const std::string& GetDocUtf8() const { return m_strDocUtf8; }
    const std::wstring& GetResult() const { return m_strResult; }
    int GetDocFlags() const { return m_nDocFlags; }
    void SetDocFlags(int flags) { m_nDocFlags = flags; }

    // Navigation. An empty name matches every element; a name may go on after
    // the compared part with a blank or one of = / [ ]; a name beginning with
    // '/' finds nothing.
    // The next sibling of the main position (or the parent's first child).
    bool FindElem(std::wstring_view name = {});
    // The next child of the main position after the child position.
    bool FindChildElem(std::wstring_view name = {});
    bool IntoElem();
    bool OutOfElem();
    // The three positions, to come back to a place after moving elsewhere
    // (a reader that walks one part of a large document later).
    struct SavedPos {
        int parent = 0;
        int main = 0;
        int child = 0;
    };
    SavedPos SavePos() const { return {m_iPosParent, m_iPos, m_iPosChild}; }
    // False (and no move) for a place this document's index does not hold.
    bool RestorePos(const SavedPos& pos);
    // An attribute of the child position's element, references resolved;
    // empty when the element or the attribute is missing.
    std::wstring GetChildAttrib(std::wstring_view attrib) const;
    // The same for any element index.
    std::wstring GetAttribAt(int iPos, std::wstring_view attrib) const;

    // Debugging aid: what the trace pointer shows after the last move.
    const wchar_t* TraceText() const { return m_pTrace; }
    const char* TraceLabel() const { return m_szTraceLabel; }

    // One 32-byte record of the element index.
    struct ElemPos {
        int32_t nStart;       // offset of '<' of the start tag
        int32_t nLength;      // up to the end of the end tag
        uint32_t nTagLengths; // start tag (low 22 bits), end tag (high 10 bits)
        uint32_t nFlags;      // level (low 16 bits) and the flags below
        int32_t iElemParent;
        int32_t iElemChild;
        int32_t iElemNext;
        int32_t iElemPrev; // the first child's previous is the last child
    };
    enum : uint32_t {
        MNF_FIRST = 0x80000,      // first child of its parent
        MNF_NONENDED = 0x100000,  // ended by its parent's end tag
        MNF_ILLDATA = 0x200000,   // ill-formed data inside
        MNF_ILLFORMED = 0x800000, // on record 0: the document is not well-formed
    };

private:
    struct OpenTag;
    class ElemIndex;
    // A name to find, also in the encoding of a UTF-8 document.
    struct WantedName {
        std::wstring_view wide;
        std::string utf8;
    };

    void TracePos();
    void InitIndex();
    ElemPos& Elem(int i);
    const ElemPos& Elem(int i) const;
    int NewElem();
    template <class C> bool ParseIndex(std::basic_string_view<C> doc);
    // The document's text from `start` (an offset of the index), made wide.
    std::wstring DocText(size_t start, size_t len) const;
    WantedName Wanted(std::wstring_view name) const;
    bool ElemMatches(int iPos, const WantedName& name) const;
    void CloseUnended(std::vector<OpenTag>& stack, int offset2);
    void MarkIllData(const std::vector<OpenTag>& stack);
    void AddResult(std::string_view word, std::initializer_list<std::pair<const char*, std::wstring>> attrs);

    const wchar_t* m_pTrace = nullptr;
    const char* m_szTraceLabel = "top of document";
    std::wstring m_strDoc;
    std::string m_strDocUtf8;
    bool m_bUtf8 = false; // the document is m_strDocUtf8
    std::wstring m_strResult;
    int m_iPosParent = 0;
    int m_iPos = 0;
    int m_iPosChild = 0;
    int m_iPosFree = 1;
    int m_nNodeType = 0;
    int m_nNodeOffset = 0;
    int m_nNodeLength = 0;
    int m_nDocFlags = 0;
    std::unique_ptr<ElemIndex> m_pIndex;
};
