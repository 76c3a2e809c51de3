// A frei0r plug-in loaded as a host loads it: by file, through its exported names.
#pragma once

#include <dlfcn.h>

#include <stdexcept>
#include <string>

#include "Frei0rApi.h"

namespace tilesweep::test {

class Frei0rModule {
public:
    explicit Frei0rModule(const std::string& path) : handle_(::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL)) {
        if (handle_ == nullptr) throw std::runtime_error(std::string("cannot load ") + path + ": " + ::dlerror());
        resolve(init, "f0r_init");
        resolve(deinit, "f0r_deinit");
        resolve(pluginInfo, "f0r_get_plugin_info");
        resolve(paramInfo, "f0r_get_param_info");
        resolve(construct, "f0r_construct");
        resolve(destruct, "f0r_destruct");
        resolve(setParam, "f0r_set_param_value");
        resolve(getParam, "f0r_get_param_value");
        resolve(update, "f0r_update");
        resolve(update2, "f0r_update2");
        if (init() != 1) throw std::runtime_error("f0r_init failed");
    }
    Frei0rModule(const Frei0rModule&) = delete;
    Frei0rModule& operator=(const Frei0rModule&) = delete;
    ~Frei0rModule() {
        deinit();
        ::dlclose(handle_);
    }

    decltype(&f0r_init) init = nullptr;
    decltype(&f0r_deinit) deinit = nullptr;
    decltype(&f0r_get_plugin_info) pluginInfo = nullptr;
    decltype(&f0r_get_param_info) paramInfo = nullptr;
    decltype(&f0r_construct) construct = nullptr;
    decltype(&f0r_destruct) destruct = nullptr;
    decltype(&f0r_set_param_value) setParam = nullptr;
    decltype(&f0r_get_param_value) getParam = nullptr;
    decltype(&f0r_update) update = nullptr;
    decltype(&f0r_update2) update2 = nullptr;

    void setDouble(f0r_instance_t instance, int index, double value) const { setParam(instance, &value, index); }
    void setText(f0r_instance_t instance, int index, const char* text) const {
        f0r_param_string value = const_cast<char*>(text);
        setParam(instance, &value, index);
    }
    double getDouble(f0r_instance_t instance, int index) const {
        double value = -1.0;
        getParam(instance, &value, index);
        return value;
    }
    std::string getText(f0r_instance_t instance, int index) const {
        const char* value = nullptr;
        getParam(instance, &value, index);
        return value == nullptr ? std::string("<null>") : std::string(value);
    }

private:
    template <typename Function>
    void resolve(Function& function, const char* name) {
        function = reinterpret_cast<Function>(::dlsym(handle_, name));
        if (function == nullptr) throw std::runtime_error(std::string("no ") + name);
    }

    void* handle_;
};

}  // namespace tilesweep::test
