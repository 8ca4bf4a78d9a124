inherited i inline F object b object mExit:TMenuItem
end
end object mExit:T
end
endobject mExit:M
end
end