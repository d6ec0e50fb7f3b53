// The framework's root: CObject and the run-time class records through which the framework
// creates objects by class (a UI thread is started from its run-time class).
#pragma once

#include <windows.h>

class CObject;

/// One record per class that declares itself dynamic: its name, size, base class and, for
/// classes declared creatable, a factory.
struct CRuntimeClass {
  LPCSTR m_lpszClassName;
  int m_nObjectSize;
  CObject* (*m_pfnCreateObject)();
  const CRuntimeClass* m_pBaseClass;

  /// A new object of the class, or null when the class is not creatable.
  CObject* CreateObject() const;
  /// Whether this class is `base` or derives from it.
  BOOL IsDerivedFrom(const CRuntimeClass* base) const;
};

class CObject {
 public:
  virtual ~CObject() = default;
  virtual const CRuntimeClass* GetRuntimeClass() const;
  BOOL IsKindOf(const CRuntimeClass* type) const;

  static const CRuntimeClass classCObject;

 protected:
  CObject() = default;
  CObject(const CObject&) = default;
  CObject& operator=(const CObject&) = default;
};

#define RUNTIME_CLASS(class_name) (&class_name::class##class_name)

#define DECLARE_DYNAMIC(class_name)             \
 public:                                        \
  static const CRuntimeClass class##class_name; \
  const CRuntimeClass* GetRuntimeClass() const override;

#define DECLARE_DYNCREATE(class_name) \
  DECLARE_DYNAMIC(class_name)         \
  static CObject* CreateObject();

#define IMPLEMENT_RUNTIMECLASS_(class_name, base_class_name, factory)                                              \
  const CRuntimeClass class_name::class##class_name = {#class_name, static_cast<int>(sizeof(class_name)), factory, \
                                                       RUNTIME_CLASS(base_class_name)};                            \
  const CRuntimeClass* class_name::GetRuntimeClass() const { return RUNTIME_CLASS(class_name); }

#define IMPLEMENT_DYNAMIC(class_name, base_class_name) IMPLEMENT_RUNTIMECLASS_(class_name, base_class_name, nullptr)

#define IMPLEMENT_DYNCREATE(class_name, base_class_name)         \
  CObject* class_name::CreateObject() { return new class_name; } \
  IMPLEMENT_RUNTIMECLASS_(class_name, base_class_name, &class_name::CreateObject)
