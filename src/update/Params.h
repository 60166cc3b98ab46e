#pragma once
// The parameter message of the update server exchange. Every value is kept
// as text; in the XML form each value travels scrambled (StrEncrypt) and is
// unscrambled on reading (StrDecrypt). Several parameters may share a name;
// every lookup by name finds the earliest added of them.
#include "IParams.h"

#include <list>
#include <map>
#include <memory>
#include <string>

namespace vornix_data_def {

class Params : public IParams, public IParamNode {
public:
    struct Node {
        std::string name;
        std::string value;
    };

    // The longest type text kept.
    static constexpr size_t kMaxTypeLength = 511;
    // Texts with more tags than this are not parsed (nesting that deep would
    // exhaust the parser's stack); a parameter message has a handful.
    static constexpr size_t kMaxXmlTags = 4096;

    Params();
    ~Params() override;
    Params(const Params&) = delete;
    Params& operator=(const Params&) = delete;

    IParams& SetType(int type) override;
    IParams& SetType(const char* type) override;
    const char* GetType() const override;
    int GetTypeInt() const override;
    void FromXml(const char* xml) override;
    void RemoveParam(const char* name) override;

    IParams& AddParam(const char* name, unsigned long value) override;
    IParams& AddParam(const char* name, unsigned int value) override;
    IParams& AddParam(const char* name, unsigned char value) override;
    IParams& AddParam(const char* name, bool value) override;
    IParams& AddParam(const char* name, double value) override;
    IParams& AddParam(const char* name, float value) override;
    IParams& AddParam(const char* name, long value) override;
    IParams& AddParam(const char* name, const vornix_lib::DateTime& value) override;
    IParams& AddParam(const char* name, unsigned long long value) override;
    IParams& AddParam(const char* name, int value) override;
    IParams& AddParam(const char* name, char value) override;
    IParams& AddParam(const char* name, const char* value, int unused) override;
    IParams& AddParam(const char* name, const char* value) override;

    IParams& BeginParam(const char* name) override;
    IParams& SetParamValue(unsigned long value) override;
    IParams& SetParamValue(unsigned int value) override;
    IParams& SetParamValue(unsigned char value) override;
    IParams& SetParamValue(bool value) override;
    IParams& SetParamValue(double value) override;
    IParams& SetParamValue(float value) override;
    IParams& SetParamValue(long value) override;
    IParams& SetParamValue(int value) override;
    IParams& SetParamValue(char value) override;
    IParams& SetParamValue(const char* value) override;

    IParams& GetParams(const char* name, std::list<std::string>& values) override;
    const char* GetParamString(const char* name) const override;
    char GetParamChar(const char* name) const override;
    long long GetParamInt64(const char* name) const override;
    int GetParamInt(const char* name) const override;
    long GetParamLong(const char* name) const override;
    float GetParamFloat(const char* name) const override;
    double GetParamDouble(const char* name) const override;
    bool GetParamBool(const char* name) const override;
    unsigned char GetParamUChar(const char* name) const override;
    unsigned int GetParamUInt(const char* name) const override;
    unsigned long GetParamULong(const char* name) const override;
    vornix_lib::DateTime GetParamDateTime(const char* name) const override;

    IParamNode* NextParam() override;
    std::string ToXml() const override;

    // The parameter at the cursor (IParamNode).
    const char* GetName() const override;
    const char* GetValue() const override;

    // Removes every parameter and a pending one; the type text stays.
    void Clear();
    // The last FromXml met a text over kMaxXmlTags and took nothing of it.
    bool WasTooLarge() const { return m_tooLarge; }

private:
    using NodeList = std::list<std::unique_ptr<Node>>;

    IParams& Add(const char* name, std::string value);
    IParams& Complete(const std::string& text);
    const Node* Find(const char* name) const;
    void ResetCursor();

    char m_type[kMaxTypeLength + 1];
    std::unique_ptr<Node> m_ptrTmpNode;
    NodeList m_nodes;
    std::multimap<std::string, Node*> m_index;
    NodeList::iterator m_cursor;
    NodeList::iterator m_handOut;
    bool m_tooLarge = false;
};

} // namespace vornix_data_def
