#pragma once

#include <pybind11/pybind11.h>

#include <exception>
#include <memory>
#include <new>
#include <string>
#include <utility>

// Python can make an instance of an extension class without running its
// __init__: Type.__new__(Type), an unpickler's NEWOBJ or a crafted pickle.
// pybind11 then hands the methods a value it allocates lazily and never
// constructs, so any use reads raw memory. A class given WholeOnNew builds a
// default value in __new__ instead, so that every instance is whole from the
// moment it exists; the __new__ of its bases (object, pybind11's) refuse it
// with Python's "is not safe" TypeError, since its allocator is not theirs.
namespace glidestone::python {

namespace py = pybind11;

namespace whole_detail {

template <class T>
inline newfunc base_new = nullptr;

template <class T>
void Put(py::detail::value_and_holder& v_h, std::unique_ptr<T> value) {
    v_h.value_ptr() = value.get();
    v_h.type->init_instance(v_h.inst, &value);
}

template <class T>
PyObject* New(PyTypeObject* type, PyObject* args, PyObject* kwargs) {
    PyObject* self = base_new<T>(type, args, kwargs);
    if (self == nullptr) return nullptr;
    auto* instance = reinterpret_cast<py::detail::instance*>(self);
    try {
        py::detail::value_and_holder v_h = instance->get_value_and_holder(py::detail::get_type_info(typeid(T)));
        auto value = std::make_unique<T>();
        // Not registered as pybind11's constructors register: __init__ then
        // runs as for a fresh instance (pybind11 skips it on a registered one).
        v_h.value_ptr() = value.get();
        new (std::addressof(v_h.holder<std::unique_ptr<T>>())) std::unique_ptr<T>(std::move(value));
        v_h.set_holder_constructed();
        instance->owned = true;
    } catch (const std::bad_alloc&) {
        Py_DECREF(self);
        return PyErr_NoMemory();
    } catch (const std::exception& error) {
        Py_DECREF(self);
        PyErr_SetString(PyExc_RuntimeError, error.what());
        return nullptr;
    }
    return self;
}

}  // namespace whole_detail

template <class T>
void WholeOnNew(py::class_<T>& cls) {
    auto* type = reinterpret_cast<PyTypeObject*>(cls.ptr());
    whole_detail::base_new<T> = type->tp_new;
    // The __new__ that Python code and unpicklers find on the class: setting
    // it points tp_new at a slot that calls it, so tp_new is set afterwards.
    cls.attr("__new__") = py::staticmethod(py::cpp_function(
        [type](py::handle cls, py::args, py::kwargs) {
            if (!PyType_Check(cls.ptr()) || !PyType_IsSubtype(reinterpret_cast<PyTypeObject*>(cls.ptr()), type))
                throw py::type_error(std::string(type->tp_name) + ".__new__(X): X must be a subtype of " +
                                     type->tp_name);
            PyObject* self = whole_detail::New<T>(reinterpret_cast<PyTypeObject*>(cls.ptr()), nullptr, nullptr);
            if (self == nullptr) throw py::error_already_set();
            return py::reinterpret_steal<py::object>(self);
        },
        py::name("__new__"), "Creates a whole instance with default contents (__init__, if any, then sets it)."));
    type->tp_new = &whole_detail::New<T>;
    PyType_Modified(type);
}

// For a new-style __init__ (first parameter value_and_holder&, with
// py::detail::is_new_style_constructor()): pybind11 has destroyed the value
// __new__ made before calling it, so when `make` throws a default value is put
// back and the instance stays whole.
template <class T, class Make>
void Initialise(py::detail::value_and_holder& v_h, Make&& make) {
    std::unique_ptr<T> value;
    try {
        value = make();
    } catch (...) {
        whole_detail::Put(v_h, std::make_unique<T>());
        throw;
    }
    whole_detail::Put(v_h, std::move(value));
}

}  // namespace glidestone::python
