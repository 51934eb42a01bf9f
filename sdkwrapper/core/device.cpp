#include "core/device.h"

device::device()
    : m_connection(this)
{
}

device::~device()
{
    std::lock_guard<std::recursive_mutex> hold(m_lock);
    logout_locked();
    m_connection.destroy();
}

int device::login(const vl_login_param& param)
{
    std::lock_guard<std::recursive_mutex> hold(m_lock);
    logout_locked();
    const int result = m_connection.login(param);
    m_password = m_connection.password();
    m_record_address = m_connection.address();
    m_record_port = m_connection.port();
    return result;
}

int device::logout()
{
    std::lock_guard<std::recursive_mutex> hold(m_lock);
    return logout_locked();
}

int device::logout_locked()
{
    m_record_address.clear();
    m_record_port = 0;
    m_password.clear();
    return m_connection.logout();
}

std::string device::password() const
{
    std::lock_guard<std::recursive_mutex> hold(m_lock);
    return m_password;
}

std::string device::record_address() const
{
    std::lock_guard<std::recursive_mutex> hold(m_lock);
    return m_record_address;
}

int device::record_port() const
{
    std::lock_guard<std::recursive_mutex> hold(m_lock);
    return m_record_port;
}
