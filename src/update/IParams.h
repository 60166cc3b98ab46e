#pragma once
// The parameter message the client exchanges with the update server: a type
// text and an ordered list of named text values, with typed ways to add and
// read them and one XML form. The slot order below is the interface's own.
#include "DateTime.h"
#include "IParamNode.h"

#include <list>
#include <string>

namespace vornix_data_def {

class IParams {
public:
    virtual ~IParams() = default;

    virtual IParams& SetType(int type) = 0;
    virtual IParams& SetType(const char* type) = 0;
    virtual const char* GetType() const = 0;
    virtual int GetTypeInt() const = 0;
    virtual void FromXml(const char* xml) = 0;
    virtual void RemoveParam(const char* name) = 0;

    virtual IParams& AddParam(const char* name, unsigned long value) = 0;
    virtual IParams& AddParam(const char* name, unsigned int value) = 0;
    virtual IParams& AddParam(const char* name, unsigned char value) = 0;
    virtual IParams& AddParam(const char* name, bool value) = 0;
    virtual IParams& AddParam(const char* name, double value) = 0;
    virtual IParams& AddParam(const char* name, float value) = 0;
    virtual IParams& AddParam(const char* name, long value) = 0;
    virtual IParams& AddParam(const char* name, const vornix_lib::DateTime& value) = 0;
    virtual IParams& AddParam(const char* name, unsigned long long value) = 0;
    virtual IParams& AddParam(const char* name, int value) = 0;
    virtual IParams& AddParam(const char* name, char value) = 0;
    virtual IParams& AddParam(const char* name, const char* value, int unused) = 0;
    virtual IParams& AddParam(const char* name, const char* value) = 0;

    virtual IParams& BeginParam(const char* name) = 0;
    virtual IParams& SetParamValue(unsigned long value) = 0;
    virtual IParams& SetParamValue(unsigned int value) = 0;
    virtual IParams& SetParamValue(unsigned char value) = 0;
    virtual IParams& SetParamValue(bool value) = 0;
    virtual IParams& SetParamValue(double value) = 0;
    virtual IParams& SetParamValue(float value) = 0;
    virtual IParams& SetParamValue(long value) = 0;
    virtual IParams& SetParamValue(int value) = 0;
    virtual IParams& SetParamValue(char value) = 0;
    virtual IParams& SetParamValue(const char* value) = 0;

    virtual IParams& GetParams(const char* name, std::list<std::string>& values) = 0;
    virtual const char* GetParamString(const char* name) const = 0;
    virtual char GetParamChar(const char* name) const = 0;
    virtual long long GetParamInt64(const char* name) const = 0;
    virtual int GetParamInt(const char* name) const = 0;
    virtual long GetParamLong(const char* name) const = 0;
    virtual float GetParamFloat(const char* name) const = 0;
    virtual double GetParamDouble(const char* name) const = 0;
    virtual bool GetParamBool(const char* name) const = 0;
    virtual unsigned char GetParamUChar(const char* name) const = 0;
    virtual unsigned int GetParamUInt(const char* name) const = 0;
    virtual unsigned long GetParamULong(const char* name) const = 0;
    virtual vornix_lib::DateTime GetParamDateTime(const char* name) const = 0;

    virtual IParamNode* NextParam() = 0;
    virtual std::string ToXml() const = 0;
};

} // namespace vornix_data_def
