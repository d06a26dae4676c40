// Root of the framework's class tree, with a small run-time type test.
#pragma once

struct CRuntimeClass
{
    const char* m_lpszClassName;
    const CRuntimeClass* m_pBaseClass;

    bool IsDerivedFrom(const CRuntimeClass* pBase) const
    {
        for (const CRuntimeClass* p = this; p; p = p->m_pBaseClass)
            if (p == pBase)
                return true;
        return false;
    }
};

class CObject
{
public:
    virtual ~CObject() = default;
    virtual const CRuntimeClass* GetRuntimeClass() const { return &classCObject; }
    bool IsKindOf(const CRuntimeClass* pClass) const { return GetRuntimeClass()->IsDerivedFrom(pClass); }

    static const CRuntimeClass classCObject;

protected:
    CObject() = default;
};

inline const CRuntimeClass CObject::classCObject = {"CObject", nullptr};

#define RUNTIME_CLASS(cls) (&cls::class##cls)

#define DECLARE_DYNAMIC(cls)               \
public:                                    \
    static const CRuntimeClass class##cls; \
    const CRuntimeClass* GetRuntimeClass() const override;

#define IMPLEMENT_DYNAMIC(cls, base)                                   \
    const CRuntimeClass cls::class##cls = {#cls, RUNTIME_CLASS(base)}; \
    const CRuntimeClass* cls::GetRuntimeClass() const                  \
    {                                                                  \
        return &cls::class##cls;                                       \
    }
