-- Dovecot's passdb for mailboxes reached by delegation. Dovecot 2.3 hands the OAuth2 access
-- token of XOAUTH2 and OAUTHBEARER to each passdb as the password; the identity provider says
-- whether it may open this mailbox. Not checkpassword: that refuses user and password longer than
-- 512 bytes together, and real access tokens run to 1500 characters and more.
-- rig.sh fills in the four values below.
local python = "@PYTHON@"
local script = "@SCRIPT@"
local provider = "@PROVIDER@"
local log = "@LOG@"

local function quote(text)
  return "'" .. (text:gsub("'", "'\\''")) .. "'"
end

function auth_password_verify(req, pass)
  local _, _, code = os.execute(table.concat({ python, quote(script), quote(provider),
    quote(req.user), quote(pass), ">>" .. quote(log), "2>&1" }, " "))
  if code == 0 then
    return dovecot.auth.PASSDB_RESULT_OK, {}
  elseif code == 1 then
    return dovecot.auth.PASSDB_RESULT_PASSWORD_MISMATCH, {}
  end
  req:log_error("the identity provider is out of reach (exit " .. tostring(code) .. ")")
  return dovecot.auth.PASSDB_RESULT_INTERNAL_FAILURE, {}
end

function auth_passdb_lookup(req)
  return dovecot.auth.PASSDB_RESULT_USER_UNKNOWN, "no password lookup, only verification"
end
