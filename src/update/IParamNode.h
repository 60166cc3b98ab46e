#pragma once
// One parameter of a parameter message as handed out while iterating it.
namespace vornix_data_def {

class IParamNode {
public:
    virtual ~IParamNode() = default;
    // Name and value of the parameter at the cursor; NULL past the last one.
    virtual const char* GetName() const = 0;
    virtual const char* GetValue() const = 0;
};

} // namespace vornix_data_def
